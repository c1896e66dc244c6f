#include "ModuleBuilder.h"

#include "ContentChecks.h"
#include "ContentCompiler.h"
#include "PeResourceWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <map>
#include <tuple>

bool BuildModuleImage(const std::string& srcDir, std::vector<uint8_t>* image, std::vector<std::string>* errors,
                      const std::string& docsDir)
{
    ContentCompiler compiler;
    const bool compiled = compiler.CompileDirectory(srcDir);
    const bool finished = compiled && compiler.Finish();
    if (!compiled || !finished) {
        *errors = compiler.Errors();
        return false;
    }
    const auto& resources = compiler.Resources();

    // The same resource twice: name both places.
    using Key = std::tuple<bool, uint16_t, std::u16string, bool, uint16_t, std::u16string, uint16_t>;
    std::map<Key, const BuiltResource*> seen;
    for (const BuiltResource& r : resources) {
        Key key{r.type.IsId(), r.type.Id(), r.type.Name(), r.name.IsId(), r.name.Id(), r.name.Name(), r.language};
        auto [it, added] = seen.emplace(key, &r);
        if (!added)
            errors->push_back(r.where.ToString() + ": type=" + r.type.ToString() + " name=" + r.name.ToString() +
                              " lang=" + std::to_string(r.language) + " is already defined at " +
                              it->second->where.ToString());
    }
    if (!errors->empty())
        return false;

    if (compiler.ChecksEnabled()) {
        *errors = CheckContent(resources);
        if (errors->empty() && !docsDir.empty())
            *errors = CheckHelpTargets(resources, docsDir);
        if (!errors->empty())
            return false;
    }

    PeResourceWriter writer;
    for (const BuiltResource& r : resources)
        writer.Add({r.type, r.name, r.language, r.data});
    std::string error;
    if (!writer.Write(image, &error)) {
        errors->push_back(error);
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string* error)
{
    const QString target = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()) ||
        !file.commit()) {
        *error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}
