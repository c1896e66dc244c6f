#pragma once
#include <QWidget>
#include <cstdint>

/// The hot key edit: shows one key combination and takes the next one the
/// user types. Letters count only with Ctrl and Alt both held (otherwise a
/// beep and the combination stays); any other key typed with a combination
/// that is not Ctrl+Alt or Shift+Ctrl+Alt is taken without modifiers.
class CMyHotKeyCtrl : public QWidget {
    Q_OBJECT

public:
    /// Modifier bits as stored in "HotKey Modifiers".
    enum : uint16_t { kShift = 1, kControl = 2, kAlt = 4, kExtended = 8 };

    explicit CMyHotKeyCtrl(QWidget* parent = nullptr);

    /// Key code in the low byte, modifiers in the high byte.
    void SetHotKey(uint8_t virtualKey, uint8_t modifiers);
    uint8_t VirtualKey() const { return m_key; }
    uint8_t Modifiers() const { return m_modifiers; }

    /// "Ctrl + Alt + S"; "None" without a key.
    static QString Text(uint8_t virtualKey, uint8_t modifiers);
    /// The rule for a key typed with `modifiers`: the combination to take,
    /// or false when the key is refused (a letter without Ctrl and Alt).
    static bool Accept(uint8_t virtualKey, uint8_t* modifiers);

    QSize sizeHint() const override;

signals:
    /// The user typed a combination the control took.
    void Changed();
    /// A key was refused.
    void Refused();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    uint8_t m_key = 0;
    uint8_t m_modifiers = 0;
};
