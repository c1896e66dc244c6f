#pragma once
#include "CPrefsPage.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

/// "How to Notify": a sound, a flashing tray icon and a dialog box, in any
/// combination. Writes the notification group and posts code 14 / 1.
class CNotificationDlg : public CPrefsPage {
    Q_OBJECT

public:
    /// `noMethod` is the sheet's flag, true while all three methods are off.
    CNotificationDlg(CSettingsStore& store, bool* noMethod, std::function<void(unsigned, int)> post,
                     QWidget* parent = nullptr);

    bool OnKillActive() override;
    void OnApply() override;

    /// Folders searched for wave files: ~/.local/share/sounds and sounds/
    /// under each XDG_DATA_DIRS entry.
    static QStringList SoundFolders();

    /// Item data of a built-in sound in the sound list.
    static constexpr int kBuiltIn = -1;
    static constexpr int kVolumeSteps = 10;

protected:
    void OnInitDialog() override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnDemo();
    void ReadChecks();
    void EnableSoundControls();
    void ComputeNoMethod();
    void UpdateModified();
    void ShowDialogPicture();

    bool* m_noMethod;
    std::function<void(unsigned, int)> m_post;

    // Current and loaded values of the group.
    QByteArray m_soundName, m_loadedSoundName;
    int m_volume = 7, m_loadedVolume = 7;
    int m_flashIndex = 2, m_loadedFlashIndex = 2;
    int m_flashOn = 1, m_loadedFlashOn = 1;
    int m_soundOn = 1, m_loadedSoundOn = 1;
    int m_dialogOn = 1, m_loadedDialogOn = 1;
    int m_followSystem = 1, m_loadedFollowSystem = 1;

    QCheckBox* m_playSound;
    QComboBox* m_soundList;
    QLabel* m_volumeLabels[3];
    QSlider* m_volumeSlider;
    QCheckBox* m_followSystemBox;
    QPushButton* m_demo;
    QCheckBox* m_flashIcon;
    QLabel* m_flashFor;
    QComboBox* m_flashList;
    QLabel* m_trayPicture;
    QCheckBox* m_showDialog;
    QLabel* m_dialogPicture;
    QLabel* m_dialogText;

    QHash<QString, QByteArray> m_waveNames; // display name -> WAVE name
    int m_framePosition = 0;
    int m_frameStep = 1;
    QImage m_frames[5];   // 171, 168, 169, 170, then the still 167
    QImage m_dialogOnPicture, m_dialogOffPicture;
    int m_timer = 0;
};
