#pragma once
#include "CMaskedBitmap.h"
#include "CPrefsPage.h"
#include "ClockFaceGeometry.h"

#include <functional>

class CClockControl;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

/// "How to Activate": what triggers a reminder - regular intervals, set
/// clock times or a number of keystrokes and mouse clicks. Writes the
/// activation group and posts code 14 / 0. While "How to Notify" has every
/// notification method off, the methods are disabled with a word why.
class CActivationDlg : public CPrefsPage {
    Q_OBJECT

public:
    enum Method { kIntervals = 0, kClock = 1, kKeystrokes = 2 };
    static constexpr int kCustomPreset = 4;
    static constexpr unsigned kCustomMinimum = 50, kCustomMaximum = 999999;

    /// `noMethod` is the sheet's flag, true while "How to Notify" has every
    /// method switched off.
    CActivationDlg(CSettingsStore& store, const bool* noMethod, std::function<void(unsigned, int)> post,
                   QWidget* parent = nullptr);

    bool OnKillActive() override;
    void OnApply() override;

    CClockControl* Clock() const { return m_clock; }
    /// True while the page shows "No Reminder".
    bool ShowsDisabledState() const { return m_noMethodCopy; }

protected:
    void OnInitDialog() override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    /// Controls into current values. With `check`, custom numbers in use
    /// that are not in 50-999999 are refused with the framework's message
    /// and the focus on the edit; without, such text is simply not taken.
    bool ReadControls(bool check);
    void PushControls();
    void ShowMethodPanel();
    void ShowState();
    void EnableCustom();
    void OnMarksChanged(const ClockMarks& marks);
    void OnClearAll();
    void UpdateModified();
    bool ReadCustom(QLineEdit* edit, unsigned* value, bool check);

    const bool* m_noMethod;
    std::function<void(unsigned, int)> m_post;

    // Current and loaded values of the group.
    ClockMarks m_marks{}, m_loadedMarks{};
    int m_interval = 0, m_loadedInterval = 0;
    int m_method = 0, m_loadedMethod = 0;
    int m_preset = 0, m_loadedPreset = 0;
    unsigned m_customMice = 50, m_loadedCustomMice = 50;
    unsigned m_customKeys = 50, m_loadedCustomKeys = 50;
    bool m_noMethodCopy = false;
    bool m_intervalShown = false;
    CMaskedBitmap m_hourglass;

    QGroupBox* m_methodBox;
    QButtonGroup* m_methods;
    QRadioButton* m_methodRadios[3];
    QLabel* m_methodTexts[3];
    QGroupBox* m_panelBox;
    QWidget* m_intervalPanel;
    QComboBox* m_intervalList;
    QWidget* m_hourglassPlace;
    QWidget* m_clockPanel;
    CClockControl* m_clock;
    QPushButton* m_clearAll;
    QWidget* m_keysPanel;
    QButtonGroup* m_presets;
    QLineEdit* m_customKeysEdit;
    QLineEdit* m_customMiceEdit;
    QLabel* m_slash;
    QLabel* m_minimum;
    QLabel* m_disabledText;
};
