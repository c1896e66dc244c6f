#include "PrefsStrings.h"

#include "AppResources.h"

namespace {

constexpr int kIntervalIds[] = {59142, 59143, 59144, 59145, 59154, 59146, 59147,
                                59155, 59148, 59156, 59149, 59150, 59151};
constexpr int kFlashIds[] = {59142, 59143, 59157, 59158, 59144, 59145, 59154, 59159};

template <size_t N>
QStringList Texts(const int (&ids)[N])
{
    QStringList texts;
    for (int id : ids)
        texts << PrefsStrings::Text(id);
    return texts;
}

} // namespace

namespace PrefsStrings {

QString Text(int id)
{
    return AppResources::String(id).replace(QLatin1String("\\n"), QLatin1String("\n"));
}

QStringList IntervalList() { return Texts(kIntervalIds); }
QStringList FlashList() { return Texts(kFlashIds); }

} // namespace PrefsStrings
