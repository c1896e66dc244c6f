#include "ContentModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <mutex>

std::shared_ptr<const ContentModule> ContentModule::FromFile(const std::string& path, std::string* error)
{
    // Read whole: a mapping would die if another program truncated the file.
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + ": " + file.errorString().toStdString();
        return nullptr;
    }
    // A content module is a few megabytes; refuse what is plainly not one
    // rather than reading gigabytes (or an endless device) into memory.
    constexpr qint64 kMaxModuleBytes = qint64(256) << 20;
    if (file.isSequential() || file.size() > kMaxModuleBytes) {
        if (error)
            *error = path + ": not a content module (not a plain file, or larger than 256 MB)";
        return nullptr;
    }
    QByteArray bytes = file.readAll();
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    std::string parseError;
    auto module = FromBytes(std::move(copy), &parseError);
    if (!module) {
        if (error)
            *error = path + ": " + parseError;
        return nullptr;
    }
    std::const_pointer_cast<ContentModule>(module)->m_path = path;
    return module;
}

std::shared_ptr<const ContentModule> ContentModule::FromBytes(std::vector<uint8_t> bytes, std::string* error)
{
    auto module = std::make_shared<ContentModule>();
    module->m_bytes = std::move(bytes);
    if (!module->m_resources.Parse(module->m_bytes, error))
        return nullptr;
    return module;
}

std::shared_ptr<const ContentModule> ContentModule::FromResources(std::vector<RawResource> resources)
{
    auto module = std::make_shared<ContentModule>();
    module->m_rawBytes.reserve(resources.size());
    for (RawResource& r : resources)
        module->m_rawBytes.push_back(std::move(r.bytes));
    for (size_t i = 0; i < resources.size(); ++i)
        module->m_resources.Add({resources[i].type, resources[i].name, 1033, module->m_rawBytes[i]});
    return module;
}

namespace ContentLibrary {
namespace {
std::mutex g_mutex;
std::shared_ptr<const ContentModule> g_module;
std::shared_ptr<const ContentModule> g_nextModule;
int g_references = 0;

std::string ExecutableDirectory()
{
    QFileInfo exe(QString::fromLocal8Bit("/proc/self/exe"));
    QString target = exe.symLinkTarget();
    return target.isEmpty() ? std::string() : QFileInfo(target).absolutePath().toStdString();
}
} // namespace

std::string FindFile()
{
    std::vector<std::string> directories;
    const QString searchPath = qEnvironmentVariable("OVANTIS_RESOURCE_PATH");
    for (const QString& dir : searchPath.split(u':', Qt::SkipEmptyParts))
        directories.push_back(dir.toStdString());
    directories.push_back(ExecutableDirectory());
    directories.push_back(OVANTIS_DATA_DIR);
    for (const std::string& dir : directories) {
        if (dir.empty())
            continue;
        std::string candidate = dir + "/" + kFileName;
        if (QFileInfo(QString::fromStdString(candidate)).isFile())
            return candidate;
    }
    return {};
}

bool Load()
{
    std::lock_guard lock(g_mutex);
    if (g_references > 0) {
        ++g_references;
        return true;
    }
    std::shared_ptr<const ContentModule> module = std::move(g_nextModule);
    g_nextModule.reset();
    if (!module) {
        std::string path = FindFile();
        if (path.empty())
            return false;
        module = ContentModule::FromFile(path);
        if (!module)
            return false;
    }
    g_module = std::move(module);
    g_references = 1;
    return true;
}

void Release()
{
    std::lock_guard lock(g_mutex);
    if (g_references == 0)
        return;
    if (--g_references == 0)
        g_module.reset();
}

std::shared_ptr<const ContentModule> Get()
{
    std::lock_guard lock(g_mutex);
    return g_module;
}

void UseModuleForNextLoad(std::shared_ptr<const ContentModule> module)
{
    std::lock_guard lock(g_mutex);
    g_nextModule = std::move(module);
}

} // namespace ContentLibrary
