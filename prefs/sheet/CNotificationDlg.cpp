#include "CNotificationDlg.h"

#include "AppResources.h"
#include "CContentResource.h"
#include "CSettingsStore.h"
#include "CWaveAudio.h"
#include "ContentIds.h"
#include "MessageCodes.h"
#include "NotificationSound.h"
#include "PrefsStrings.h"
#include "Windows1252.h"
#include "formats/SoundListFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kFrameCount = 5;
constexpr int kStillFrame = 4;
constexpr int kAnimationMs = 500;
constexpr int kFramePictures[kFrameCount] = {171, 168, 169, 170, 167};
constexpr int kDialogOnPicture = 152, kDialogOffPicture = 173;
constexpr int kWaveFolderDepth = 3;

QByteArray ToBytes(const QString& text) { return QByteArray::fromStdString(ToWindows1252(text)); }
QString FromBytes(const QByteArray& bytes) { return FromWindows1252(std::string_view(bytes.constData(), size_t(bytes.size()))); }

struct SoundEntry {
    QString text;
    QVariant data; // kBuiltIn or the file's full path
};

void AddWaveFiles(const QString& folder, std::vector<SoundEntry>* entries)
{
    const QString root = QDir(folder).absolutePath();
    QDirIterator it(root, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
            continue;
        // Three folders deep at most: root/a/b/c/file.wav.
        if (QStringView(path).mid(root.size()).count(QLatin1Char('/')) > kWaveFolderDepth + 1)
            continue;
        entries->push_back({QFileInfo(path).completeBaseName(), path});
    }
}

} // namespace

CNotificationDlg::CNotificationDlg(CSettingsStore& store, bool* noMethod, std::function<void(unsigned, int)> post,
                                   QWidget* parent)
    : CPrefsPage(store, parent), m_noMethod(noMethod), m_post(std::move(post))
{
    setObjectName(QStringLiteral("How to Notify"));
    auto* top = new QVBoxLayout(this);
    auto* question = new QLabel(QStringLiteral("How do you want to be notified at Stretch Time?"));
    top->addWidget(question);

    auto* grid = new QGridLayout;
    top->addLayout(grid);
    m_playSound = new QCheckBox(QStringLiteral("Play a &Sound"));
    m_soundList = new QComboBox;
    // A screen reader names a list box after its entry: the label goes
    // into the description.
    m_soundList->setAccessibleName(QStringLiteral("Sound"));
    m_soundList->setAccessibleDescription(m_soundList->accessibleName());
    m_volumeLabels[0] = new QLabel(QStringLiteral("Volume"));
    m_volumeLabels[1] = new QLabel(QStringLiteral("Max"));
    m_volumeLabels[2] = new QLabel(QStringLiteral("Min"));
    m_volumeSlider = new QSlider(Qt::Vertical);
    m_volumeSlider->setAccessibleName(QStringLiteral("Volume"));
    // Position 0 at the top is the loudest: volume = 10 - position.
    m_volumeSlider->setInvertedAppearance(true);
    // ... and Up and Page Up move the handle up, to the louder end.
    m_volumeSlider->setInvertedControls(true);
    m_volumeSlider->setRange(0, kVolumeSteps);
    m_volumeSlider->setTickInterval(1);
    m_volumeSlider->setTickPosition(QSlider::TicksRight);
    m_followSystemBox = new QCheckBox(QStringLiteral("Follow System &Volume"));
    m_demo = new QPushButton(QStringLiteral("&Demo"));
    m_flashIcon = new QCheckBox(QStringLiteral("&Flash Icon"));
    m_flashFor = new QLabel(QStringLiteral("Flash for:"));
    m_flashList = new QComboBox;
    m_flashFor->setBuddy(m_flashList);
    m_flashList->setAccessibleName(QStringLiteral("Flash for:"));
    m_flashList->setAccessibleDescription(m_flashList->accessibleName());
    m_trayPicture = new QLabel;
    m_trayPicture->setAccessibleName(QStringLiteral("Tray icon"));
    m_showDialog = new QCheckBox(QStringLiteral("Show a Dialog &Box"));
    m_dialogPicture = new QLabel;
    m_dialogPicture->setAccessibleName(QStringLiteral("Reminder dialog"));
    m_dialogText = new QLabel(
        QStringLiteral("A window will appear mid-screen asking \"Do you have time to stretch?\"."));
    m_dialogText->setWordWrap(true);

    grid->addWidget(m_playSound, 0, 0, 1, 2);
    grid->addWidget(m_soundList, 1, 0, 1, 2);
    grid->addWidget(m_followSystemBox, 2, 0, 1, 2);
    grid->addWidget(m_demo, 3, 0);
    grid->addWidget(m_volumeLabels[0], 0, 2);
    grid->addWidget(m_volumeLabels[1], 1, 3);
    grid->addWidget(m_volumeSlider, 1, 2, 3, 1);
    grid->addWidget(m_volumeLabels[2], 3, 3);
    grid->addWidget(m_flashIcon, 4, 0);
    grid->addWidget(m_flashFor, 5, 0);
    grid->addWidget(m_flashList, 5, 1);
    grid->addWidget(m_trayPicture, 4, 2, 2, 2);
    grid->addWidget(m_showDialog, 6, 0, 1, 2);
    grid->addWidget(m_dialogText, 7, 0, 1, 2);
    grid->addWidget(m_dialogPicture, 6, 2, 2, 2);
    top->addStretch();

    connect(m_playSound, &QCheckBox::clicked, this, [this] {
        ReadChecks();
        EnableSoundControls();
        ComputeNoMethod();
        UpdateModified();
    });
    connect(m_followSystemBox, &QCheckBox::clicked, this, [this] {
        ReadChecks();
        EnableSoundControls();
        UpdateModified();
    });
    connect(m_flashIcon, &QCheckBox::clicked, this, [this] {
        ReadChecks();
        m_flashList->setEnabled(m_flashOn);
        m_flashFor->setEnabled(m_flashOn);
        ComputeNoMethod();
        UpdateModified();
    });
    connect(m_showDialog, &QCheckBox::clicked, this, [this] {
        ReadChecks();
        m_dialogText->setEnabled(m_dialogOn);
        ComputeNoMethod();
        ShowDialogPicture();
        UpdateModified();
    });
    connect(m_flashList, &QComboBox::activated, this, [this](int index) {
        m_flashIndex = index;
        UpdateModified();
    });
    connect(m_soundList, &QComboBox::activated, this, [this](int index) {
        m_soundName = ToBytes(m_soundList->itemText(index));
        UpdateModified();
    });
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this](int position) {
        m_volume = kVolumeSteps - position;
        UpdateModified();
    });
    connect(m_demo, &QPushButton::clicked, this, &CNotificationDlg::OnDemo);
}

QStringList CNotificationDlg::SoundFolders()
{
    QStringList folders{QDir::homePath() + QStringLiteral("/.local/share/sounds")};
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/sounds");
    return folders;
}

void CNotificationDlg::OnInitDialog()
{
    using namespace Settings;
    auto readInt = [this](const SettingValue& value) { return Store().ReadInt(value, SettingReader::Page); };
    m_soundOn = m_loadedSoundOn = readInt(kNotificationSoundOn);
    m_soundName = m_loadedSoundName = Store().ReadString(kNotificationSound, SettingReader::Page);
    m_volume = m_loadedVolume = readInt(kNotificationSoundVolume);
    m_followSystem = m_loadedFollowSystem = readInt(kNotificationUseSystemVolume);
    m_flashOn = m_loadedFlashOn = readInt(kNotificationFlashIconOn);
    m_flashIndex = m_loadedFlashIndex = readInt(kNotificationFlashInterval);
    m_dialogOn = m_loadedDialogOn = readInt(kNotificationDialogOn);
    m_playSound->setChecked(m_soundOn);
    m_flashIcon->setChecked(m_flashOn);
    m_showDialog->setChecked(m_dialogOn);
    m_followSystemBox->setChecked(m_followSystem);
    ComputeNoMethod();

    // The sound list: the content library's sounds, then wave files, sorted.
    std::vector<SoundEntry> entries;
    CContentResource resource;
    if (resource.LoadNamed(ResName(ResId::kSoundList), ResName(kRtRcdata))) {
        const auto list = Formats::SoundList::DecodeSoundList({resource.Lock(), resource.size});
        for (const auto& pair : list.pairs) {
            const QString display = FromBytes(QByteArray::fromStdString(pair.displayName));
            entries.push_back({display, kBuiltIn});
            m_waveNames.insert(display, QByteArray::fromStdString(pair.waveName));
        }
    }
    for (const QString& folder : SoundFolders())
        AddWaveFiles(folder, &entries);
    std::stable_sort(entries.begin(), entries.end(), [](const SoundEntry& a, const SoundEntry& b) {
        return QString::compare(a.text, b.text, Qt::CaseInsensitive) < 0;
    });
    for (const SoundEntry& entry : entries)
        m_soundList->addItem(entry.text, entry.data);
    if (!CWaveAudio::CanPlay(CWaveAudio::kFormat2M08)) {
        // The current value stays until the check boxes are read again.
        m_playSound->setChecked(false);
        m_playSound->setEnabled(false);
        m_playSound->setToolTip(QStringLiteral("No sound output device"));
        m_demo->setToolTip(m_playSound->toolTip());
    }
    const QString name = FromBytes(m_soundName);
    int selected = 0;
    for (int i = 0; i < m_soundList->count(); ++i)
        if (QString::compare(m_soundList->itemText(i), name, Qt::CaseInsensitive) == 0) {
            selected = i;
            break;
        }
    m_soundList->setCurrentIndex(m_soundList->count() ? selected : -1);
    {
        const QSignalBlocker block(m_volumeSlider);
        // A stored volume outside 0-10 shows at the nearest end of the slider.
        m_volumeSlider->setValue(kVolumeSteps - std::clamp(m_volume, 0, kVolumeSteps));
    }
    EnableSoundControls();

    for (const QString& text : PrefsStrings::FlashList())
        m_flashList->addItem(text);
    // An index outside the list shows no selection; the stored value stays.
    m_flashList->setCurrentIndex(m_flashIndex >= 0 && m_flashIndex < m_flashList->count() ? m_flashIndex : -1);
    m_flashList->setEnabled(m_flashOn);
    m_flashFor->setEnabled(m_flashOn);

    m_dialogPicture->setEnabled(false);
    m_dialogText->setEnabled(m_dialogOn);
    for (int i = 0; i < kFrameCount; ++i)
        m_frames[i] = AppResources::Picture(kFramePictures[i]);
    m_dialogOnPicture = AppResources::Picture(kDialogOnPicture);
    m_dialogOffPicture = AppResources::Picture(kDialogOffPicture);
    ShowDialogPicture();
    m_trayPicture->setPixmap(QPixmap::fromImage(m_frames[m_flashIcon->isChecked() ? 0 : kStillFrame]));
    m_timer = startTimer(kAnimationMs);
}

void CNotificationDlg::OnDemo()
{
    const int index = m_soundList->currentIndex();
    if (index < 0)
        return;
    const QVariant data = m_soundList->itemData(index);
    CWaveAudio* player = data.typeId() == QMetaType::QString
        ? CWaveAudio::PlayerFromFile(QFile::encodeName(data.toString()).toStdString())
        : CWaveAudio::PlayerFromResource(m_waveNames.value(m_soundList->itemText(index)).toStdString());
    if (!player)
        return;
    if (!m_followSystemBox->isChecked()) {
        // As the reminder plays it: a stored step outside 0-10 is taken at the nearer end.
        const int step = std::clamp(m_volume, 0, NotificationSound::kMaxVolumeStep);
        player->SetVolume(uint32_t(step) * NotificationSound::kVolumeStep);
    }
    player->Play();
}

void CNotificationDlg::ReadChecks()
{
    m_soundOn = m_playSound->isChecked();
    m_followSystem = m_followSystemBox->isChecked();
    m_flashOn = m_flashIcon->isChecked();
    m_dialogOn = m_showDialog->isChecked();
}

void CNotificationDlg::EnableSoundControls()
{
    m_soundList->setEnabled(m_soundOn);
    m_followSystemBox->setEnabled(m_soundOn);
    m_demo->setEnabled(m_soundOn);
    const bool volume = m_soundOn && !m_followSystem;
    m_volumeSlider->setEnabled(volume);
    for (QLabel* label : m_volumeLabels)
        label->setEnabled(volume);
}

void CNotificationDlg::ComputeNoMethod()
{
    *m_noMethod = !m_soundOn && !m_flashOn && !m_dialogOn;
}

void CNotificationDlg::ShowDialogPicture()
{
    m_dialogPicture->setPixmap(QPixmap::fromImage(m_dialogOn ? m_dialogOnPicture : m_dialogOffPicture));
}

void CNotificationDlg::UpdateModified()
{
    SetModified(m_soundOn != m_loadedSoundOn || m_volume != m_loadedVolume || m_followSystem != m_loadedFollowSystem
                || m_flashOn != m_loadedFlashOn || m_flashIndex != m_loadedFlashIndex || m_dialogOn != m_loadedDialogOn
                || m_soundName.toLower() != m_loadedSoundName.toLower());
}

void CNotificationDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer)
        return CPrefsPage::timerEvent(event);
    if (!m_flashIcon->isChecked()) {
        m_trayPicture->setPixmap(QPixmap::fromImage(m_frames[kStillFrame]));
        return;
    }
    m_trayPicture->setPixmap(QPixmap::fromImage(m_frames[m_framePosition]));
    m_framePosition += m_frameStep;
    // Runs 0 1 2 3 2 1 0 1 ... over the four animation frames.
    if (m_framePosition + 2 == kFrameCount || m_framePosition - 1 < 0)
        m_frameStep = -m_frameStep;
}

bool CNotificationDlg::OnKillActive()
{
    ReadChecks();
    ComputeNoMethod();
    if (!*m_noMethod)
        return true;
    const auto answer = QMessageBox::warning(this, PrefsStrings::Caption(), PrefsStrings::Text(PrefsStrings::kNoMethodQuestion),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer != QMessageBox::Yes;
}

void CNotificationDlg::OnApply()
{
    ReadChecks();
    UpdateModified();
    if (!IsModified())
        return;
    using namespace Settings;
    m_loadedSoundOn = m_soundOn;
    m_loadedSoundName = m_soundName;
    m_loadedVolume = m_volume;
    m_loadedFollowSystem = m_followSystem;
    m_loadedFlashOn = m_flashOn;
    m_loadedFlashIndex = m_flashIndex;
    m_loadedDialogOn = m_dialogOn;
    Store().WriteInt(kNotificationSoundOn, m_soundOn);
    Store().WriteString(kNotificationSound, m_soundName);
    Store().WriteInt(kNotificationSoundVolume, m_volume);
    Store().WriteInt(kNotificationUseSystemVolume, m_followSystem);
    Store().WriteInt(kNotificationFlashIconOn, m_flashOn);
    Store().WriteInt(kNotificationFlashInterval, m_flashIndex);
    Store().WriteInt(kNotificationDialogOn, m_dialogOn);
    const QVariant data = m_soundList->currentData();
    const QByteArray path = data.typeId() == QMetaType::QString ? ToBytes(data.toString()) : QByteArray();
    Store().WriteString(kSoundPath, path);
    SetModified(false);
    m_post(MessageCodes::kSettingsApplied, GroupBroadcastParam(SettingGroup::Notification));
}
