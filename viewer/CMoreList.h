#pragma once
#include "CContentCatalog.h"

#include <QComboBox>
#include <functional>

/// The view's "More" drop-down list: every stretch routine or every reading
/// topic, of the kind shown, with the shown one selected; it also keeps the
/// position within that kind for Prev and Next.
class CMoreList : public QComboBox {
    Q_OBJECT

public:
    /// `keys` receives Tab and Enter typed in the list (the view).
    CMoreList(QWidget* parent, std::function<bool(QKeyEvent*)> keys = {});

    /// Scans routines and topics; true when both found some.
    bool Create();
    int ScanStretches() { return m_stretches.ScanStretches(); }
    int ScanTopics() { return m_topics.ScanTopics(); }

    /// Fills the list for t's kind (refilling only when the kind changes)
    /// and selects t.
    void ShowTopic(int topicId);
    bool HasNext() const;
    bool HasPrev() const;
    /// Moves one on (back) and returns the topic id there; 0 when there is
    /// none.
    int Next();
    int Prev();
    /// The topic of the selected row, 0 when none is selected.
    int GetSelectedTopic() const;
    int TopicOfCode(uint32_t code) const { return m_stretches.TopicOfCode(code); }
    uint32_t CodeOfTopic(int id) const { return m_stretches.CodeOfTopic(id); }

    int KindShown() const { return m_kindShown; }
    int Position() const { return m_position; }

    static constexpr int kDroppedWidth = 300;

protected:
    bool event(QEvent* event) override;
    void showPopup() override;

private:
    int CountOfKind() const;
    int CountOfKind(int kind) const;
    int IdAt(int position) const;

    CStretchRoutines m_stretches;
    CReadingTopics m_topics;
    std::function<bool(QKeyEvent*)> m_keys;
    int m_kindShown = 0;
    int m_position = -1;
    int m_selection = -1;
};
