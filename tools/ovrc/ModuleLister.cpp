#include "ModuleLister.h"

#include "ContentModule.h"

#include <QCryptographicHash>

#include <algorithm>

std::vector<std::string> ListModule(const ContentModule& module)
{
    std::vector<std::string> lines;
    for (const PeResources::Entry& e : module.Resources().Entries()) {
        const QByteArray hash = QCryptographicHash::hash(
            QByteArrayView(reinterpret_cast<const char*>(e.data.data()), qsizetype(e.data.size())),
            QCryptographicHash::Sha256);
        lines.push_back("type=" + e.type.ToString() + " name=" + e.name.ToString() + " lang=" + std::to_string(e.language) +
                        " size=" + std::to_string(e.data.size()) + " sha256=" + hash.toHex().toStdString());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}
