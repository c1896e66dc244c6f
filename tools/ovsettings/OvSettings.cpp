// ovsettings: the shared settings for users and scripts.
//   ovsettings get SECTION NAME                       the stored value; exit 1 when missing
//   ovsettings set SECTION NAME VALUE [--int|--string]
//   ovsettings list                                   SECTION/NAME=VALUE, one per line
// Text goes in and out in the terminal's encoding; it is stored as
// Windows-1252, so text with characters outside that code page is refused.
#include "CSettingsStore.h"
#include "Windows1252.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

enum ExitCode { kOk = 0, kMissingOrFailed = 1, kUsage = 2 };

int Usage()
{
    std::fputs("usage: ovsettings get SECTION NAME\n"
               "       ovsettings set SECTION NAME VALUE [--int|--string]\n"
               "       ovsettings list\n",
               stderr);
    return kUsage;
}

void Print(const QString& text)
{
    const QByteArray out = text.toLocal8Bit();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fputc('\n', stdout);
}

QString Decode(const QByteArray& bytes)
{
    return FromWindows1252(std::string_view(bytes.constData(), size_t(bytes.size())));
}

// For `list`, one value per line: control bytes become \xHH and a
// backslash doubles, so every line reads back unambiguously.
QString Escaped(const QByteArray& bytes)
{
    QByteArray safe;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            safe += "\\x" + QByteArray::number(b, 16).rightJustified(2, '0');
        else if (c == '\\')
            safe += "\\\\";
        else
            safe += c;
    }
    return Decode(safe);
}

// Says what is wrong with a section or value name; false when it is usable.
bool RefuseName(const char* what, const QString& name)
{
    const QString problem = CSettingsStore::NameProblem(name);
    if (problem.isEmpty())
        return false;
    std::fprintf(stderr, "ovsettings: invalid %s name \"%s\": %s\n", what, qPrintable(name), qPrintable(problem));
    return true;
}

bool RefuseNames(const QString& section, const QString& name)
{
    return RefuseName("section", section) || RefuseName("value", name);
}

int Get(const QStringList& args)
{
    if (args.size() != 2)
        return Usage();
    if (RefuseNames(args[0], args[1]))
        return kUsage;
    const std::optional<QByteArray> stored = CSettingsStore().ReadStored(args[0], args[1]);
    if (!stored)
        return kMissingOrFailed;
    Print(Decode(*stored));
    return kOk;
}

int Set(QStringList args)
{
    enum class Kind { Guess, Int, String } kind = Kind::Guess;
    if (!args.isEmpty() && (args.last() == u"--int" || args.last() == u"--string")) {
        kind = args.last() == u"--int" ? Kind::Int : Kind::String;
        args.removeLast();
    }
    if (args.size() != 3)
        return Usage();
    const QString& section = args[0];
    const QString& name = args[1];
    const QString& value = args[2];
    if (RefuseNames(section, name))
        return kUsage;
    if (kind == Kind::Guess) {
        const SettingValue* known = Settings::Find(section.toStdString(), name.toStdString());
        if (known)
            kind = known->type == SettingType::Int ? Kind::Int : Kind::String;
        else
            kind = CSettingsStore::ParseInt(value) ? Kind::Int : Kind::String;
    }

    CSettingsStore store;
    bool written = false;
    if (kind == Kind::Int) {
        const std::optional<int> number = CSettingsStore::ParseInt(value);
        if (!number) {
            std::fprintf(stderr, "ovsettings: %s/%s takes a decimal number from -2147483648 to 2147483647\n",
                         qPrintable(section), qPrintable(name));
            return kUsage;
        }
        written = store.WriteInt(section, name, *number);
    } else {
        bool lossless = false;
        const std::string bytes = ToWindows1252(value, &lossless);
        if (!lossless) {
            std::fprintf(stderr, "ovsettings: the value has characters that Windows-1252 cannot store\n");
            return kUsage;
        }
        written = store.WriteString(section, name, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    }
    if (!written) {
        std::fprintf(stderr, "ovsettings: could not write %s\n", qPrintable(store.FilePath()));
        return kMissingOrFailed;
    }
    return kOk;
}

int List(const QStringList& args)
{
    if (!args.isEmpty())
        return Usage();
    for (const CSettingsStore::Stored& value : CSettingsStore().ReadAll()) {
        const QString path = value.section.isEmpty() ? value.name : value.section + u'/' + value.name;
        Print(path + u'=' + Escaped(value.bytes));
    }
    return kOk;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString command = args.takeFirst();
    if (command == u"get")
        return Get(args);
    if (command == u"set")
        return Set(args);
    if (command == u"list")
        return List(args);
    return Usage();
}
