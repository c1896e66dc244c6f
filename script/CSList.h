#pragma once

/// The engine's linked list of item pointers with one built-in cursor. The list never owns its items: their owner keeps them (in
/// std::unique_ptr) for at least as long as the list; destroying the list
/// frees only its nodes.
template <class T>
class CSList {
public:
    CSList() = default;
    ~CSList()
    {
        Node* node = m_head;
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
    }
    CSList(const CSList&) = delete;
    CSList& operator=(const CSList&) = delete;

    bool IsEmpty() const { return m_count == 0; }
    /// New node before the head; null items are ignored.
    void AddHead(T* item)
    {
        if (!item)
            return;
        Node* node = new Node{m_head, item};
        if (!m_head)
            m_tail = node;
        m_head = node;
        ++m_count;
    }
    /// New node after the tail; null items are ignored.
    void AddTail(T* item)
    {
        if (!item)
            return;
        Node* node = new Node{nullptr, item};
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        ++m_count;
    }
    int GetCount() const { return m_count; }
    /// Cursor = head.
    T* GetFirst()
    {
        m_cursor = m_head;
        return m_cursor ? m_cursor->item : nullptr;
    }
    /// Null (cursor stays null) when the cursor is null; else one step on.
    T* GetNext()
    {
        if (!m_cursor)
            return nullptr;
        m_cursor = m_cursor->next;
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
        Node* next = nullptr;
        T* item = nullptr;
    };

    Node* m_cursor = nullptr;
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    int m_count = 0;
};
