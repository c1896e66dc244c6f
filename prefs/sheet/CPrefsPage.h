#pragma once
#include <QWidget>

class CSettingsStore;

/// One page of the Preferences sheet. The sheet initialises a page the
/// first time it is shown; a page never initialised never applies and
/// writes nothing.
class CPrefsPage : public QWidget {
    Q_OBJECT

public:
    explicit CPrefsPage(CSettingsStore& store, QWidget* parent = nullptr) : QWidget(parent), m_store(store) {}

    bool IsInitialised() const { return m_initialised; }
    bool IsModified() const { return m_modified; }

    /// Loads the page's group and fills the controls; once.
    void Initialise()
    {
        if (m_initialised)
            return;
        m_initialised = true;
        OnInitDialog();
    }
    /// Before another page is shown or the sheet's OK: false keeps the user
    /// on this page.
    virtual bool OnKillActive() { return true; }
    /// Before the page applies, on OK and Apply: false refuses the apply
    /// and the sheet stays open on this page.
    virtual bool CanApply() { return true; }
    /// Writes the group when the page is modified.
    virtual void OnApply() = 0;

signals:
    /// The page's modified state changed (the sheet's Apply follows it).
    void ModifiedChanged(bool modified);

protected:
    virtual void OnInitDialog() = 0;
    void SetModified(bool modified)
    {
        if (modified == m_modified)
            return;
        m_modified = modified;
        emit ModifiedChanged(modified);
    }
    CSettingsStore& Store() { return m_store; }

private:
    CSettingsStore& m_store;
    bool m_initialised = false;
    bool m_modified = false;
};
