#pragma once
#include <QString>
#include <QStringList>

/// The sheet's texts from the programs' string tables.
namespace PrefsStrings {

inline constexpr int kCaption = 57615;
inline constexpr int kNoMethodQuestion = 57648;
inline constexpr int kNoSequenceQuestion = 57649;
inline constexpr int kNoStretchesChosen = 32785;

/// String `id` with "\n" taken as a line break.
QString Text(int id);
inline QString Caption() { return Text(kCaption); }
/// "How to Activate"'s interval list and "How to Notify"'s flash list; the
/// position in the list is the stored index.
QStringList IntervalList();
QStringList FlashList();

} // namespace PrefsStrings
