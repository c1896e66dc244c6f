#pragma once
#include "CMaskedBitmap.h"
#include "CPrefsPage.h"

#include <cstdint>
#include <functional>

class CMyHotKeyCtrl;
class QCheckBox;
class QGroupBox;
class QLabel;

/// "Hot Key": arms or disarms the hot key and chooses its combination.
/// Writes the hot key group and hands the new key to the hook library; it
/// broadcasts nothing (the sheet arms the key as it closes).
class CHotKeyDlg : public CPrefsPage {
    Q_OBJECT

public:
    using SetHotKeyFunction = std::function<void(int alt, int ctrl, int shift, int virtualKey)>;
    CHotKeyDlg(CSettingsStore& store, SetHotKeyFunction setHotKey, QWidget* parent = nullptr);

    void OnApply() override;

protected:
    void OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnEnableClicked();
    void UpdateModified();

    SetHotKeyFunction m_setHotKey;
    uint16_t m_loadedKey = 0, m_loadedModifiers = 0;
    int m_loadedEnabled = 1;
    uint16_t m_key = 0, m_modifiers = 0;
    int m_enabled = 1;
    CMyHotKeyCtrl* m_hotKey;
    QCheckBox* m_enable;
    QGroupBox* m_setGroup;
    QLabel* m_label;
    QWidget* m_placeholder;
    CMaskedBitmap m_keyboard;
};
