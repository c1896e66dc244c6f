#include "CNtfyDialog.h"

#include "AppResources.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// Choice ids and the string ids of their texts (the tray menu's first five).
constexpr int kChoices[][2] = {{1001, 32772}, {1002, 32777}, {1003, 32778}, {1004, 32779}, {1005, 32780}};
} // namespace

CNtfyDialog::CNtfyDialog(int closeAfterMs, QWidget* parent)
    // A caption but no system menu and no close box.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_choices(new QButtonGroup(this))
{
    setWindowTitle(QStringLiteral("Ovantis"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Do you have time to Stretch?"), this));
    for (const auto& choice : kChoices) {
        auto* button = new QRadioButton(AppResources::String(choice[1]), this);
        m_choices->addButton(button, choice[0]);
        layout->addWidget(button);
    }
    m_choices->button(kFirstChoice)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        done(m_choices->checkedId() > 0 ? m_choices->checkedId() : 0);
    });
    layout->addWidget(buttons);
    layout->addWidget(new QLabel(QStringLiteral("This window will close automatically after 1 minute"), this));
    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(closeAfterMs);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] { done(kCancelled); });
}

void CNtfyDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_choices->button(kFirstChoice)->setFocus();
    raise();
    activateWindow();
}

int CNtfyDialog::Run()
{
    m_closeTimer.start();
    const int result = exec();
    m_closeTimer.stop();
    return result;
}
