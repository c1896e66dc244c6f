#pragma once
#include "CMaskedBitmap.h"
#include "PrefsServices.h"

#include <QDialog>
#include <vector>

class CPrefsPage;
class CSettingsStore;
class QPushButton;
class QTabWidget;

/// The Preferences sheet: its pages in tab order, OK / Cancel / Apply.
/// Building it posts code 12 to the controller, closing it code 13; while
/// it is open the hot key is disarmed.
class CStchPrefsDlg : public QDialog {
    Q_OBJECT

public:
    CStchPrefsDlg(CSettingsStore& store, PrefsServices services, QWidget* parent = nullptr);
    ~CStchPrefsDlg() override;

    /// True while "How to Notify" has every method switched off.
    bool NoMethod() const { return m_noMethod; }
    QTabWidget* Tabs() const { return m_tabs; }
    QPushButton* ApplyButton() const { return m_apply; }

    void done(int result) override;

    /// The logo's place in the sheet's client area.
    static constexpr QPoint kLogoPosition{5, 393};

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void AddPage(CPrefsPage* page, const QString& title);
    void PlaceFrameAt(const QPoint& frameTopLeft);
    void OnTabChanged(int index);
    bool ApplyAll();
    void UpdateApply();
    void Finish();

    CSettingsStore& m_store;
    PrefsServices m_services;
    bool m_noMethod = false;
    std::vector<CPrefsPage*> m_pages;
    CMaskedBitmap m_logo;
    QTabWidget* m_tabs;
    QPushButton* m_apply;
    int m_currentTab = 0;
    bool m_switching = false;
    bool m_shown = false;
    bool m_finished = false;
};
