#pragma once
#include "CPrefsPage.h"

#include <QByteArray>
#include <functional>

class CDragDropListBox;
class QPushButton;

/// "Sequence of Routines": the order in which the controller launches the
/// stretch routines, one per reminder. The left list offers every routine,
/// the right list is the sequence; entries move with the buttons, by
/// dragging, or from the keyboard. Writes the sequence group and posts
/// code 14 / 2.
class CSequenceDlg : public CPrefsPage {
    Q_OBJECT

public:
    CSequenceDlg(CSettingsStore& store, std::function<void(unsigned, int)> post, QWidget* parent = nullptr);

    bool OnKillActive() override;
    bool CanApply() override;
    void OnApply() override;

    CDragDropListBox* Routines() const { return m_left; }
    CDragDropListBox* Sequence() const { return m_right; }

    /// ">> Add >>" stops at this many entries; drops do not.
    static constexpr int kMaxAddedEntries = 64;

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSequence();
    QByteArray BuildText() const;
    void UpdateModified();
    void UpdateButtons(int selection);
    void OnAdd();
    void OnRemove();
    void OnClearAll();
    void OnDefault();
    void OnMove(int step);
    void OnSelChange();

    std::function<void(unsigned, int)> m_post;
    QByteArray m_loadedText, m_text; // stored form: four bytes per routine
    int m_loadedIndex = 0, m_index = 0; // the right list's selection, -1 for none
    CDragDropListBox* m_right;
    CDragDropListBox* m_left;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_clearAll;
    QPushButton* m_default;
    QPushButton* m_up;
    QPushButton* m_down;
};
