#pragma once
#include <memory>

/// The engine's linked list of item pointers with one built-in cursor. The
/// list owns its nodes but never its items: their owner keeps them (in
/// std::unique_ptr) for at least as long as the list.
template <class T>
class CSList {
public:
    CSList() = default;
    ~CSList()
    {
        // Node by node: a chain of owners freed from its head would recurse
        // once per node.
        while (m_head)
            m_head = std::move(m_head->next);
    }
    CSList(const CSList&) = delete;
    CSList& operator=(const CSList&) = delete;

    bool IsEmpty() const { return m_count == 0; }
    /// New node before the head; null items are ignored.
    void AddHead(T* item)
    {
        if (!item)
            return;
        auto node = std::make_unique<Node>(std::move(m_head), item);
        if (!node->next)
            m_tail = node.get();
        m_head = std::move(node);
        ++m_count;
    }
    /// New node after the tail; null items are ignored.
    void AddTail(T* item)
    {
        if (!item)
            return;
        auto node = std::make_unique<Node>(nullptr, item);
        Node* added = node.get();
        if (m_tail)
            m_tail->next = std::move(node);
        else
            m_head = std::move(node);
        m_tail = added;
        ++m_count;
    }
    int GetCount() const { return m_count; }
    /// Cursor = head.
    T* GetFirst()
    {
        m_cursor = m_head.get();
        return m_cursor ? m_cursor->item : nullptr;
    }
    /// Null (cursor stays null) when the cursor is null; else one step on.
    T* GetNext()
    {
        if (!m_cursor)
            return nullptr;
        m_cursor = m_cursor->next.get();
        return m_cursor ? m_cursor->item : nullptr;
    }
    T* GetCurrent() const { return m_cursor ? m_cursor->item : nullptr; }
    /// Walks from the head with the cursor and stops on the first node that
    /// holds the item; when there is none the cursor ends null.
    T* Find(T* item)
    {
        for (T* it = GetFirst(); m_cursor; it = GetNext()) {
            if (it == item)
                return it;
        }
        return nullptr;
    }

private:
    struct Node {
        Node(std::unique_ptr<Node> following, T* it) : next(std::move(following)), item(it) {}
        std::unique_ptr<Node> next;
        T* item;
    };

    std::unique_ptr<Node> m_head;
    Node* m_tail = nullptr;
    Node* m_cursor = nullptr;
    int m_count = 0;
};
