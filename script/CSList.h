#pragma once
#include <cstdint>

/// The engine's doubly linked list of item pointers with one built-in
/// cursor. The list never owns its items: whoever fills it deletes them
/// (usually by walking it) before the list goes; destroying the list frees
/// only its nodes.
template <class T>
class CSList {
public:
    struct Node {
        Node* next = nullptr;
        Node* prev = nullptr;
        T* item = nullptr;
    };

    CSList() = default;
    virtual ~CSList()
    {
        // Not through the virtual operations: a base destructor would not
        // reach the derived ones anyway.
        Node* node = m_head;
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
    }
    CSList(const CSList&) = delete;
    CSList& operator=(const CSList&) = delete;

    /// Count is zero.
    virtual bool IsEmpty() const { return m_count == 0; }
    /// New node before the head; null items are ignored.
    virtual void AddHead(T* item)
    {
        if (!item)
            return;
        Node* node = new Node{m_head, nullptr, item};
        if (m_head)
            m_head->prev = node;
        else
            m_tail = node;
        m_head = node;
        ++m_count;
    }
    /// New node after the tail; null items are ignored.
    virtual void AddTail(T* item)
    {
        if (!item)
            return;
        Node* node = new Node{nullptr, m_tail, item};
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        ++m_count;
    }
    /// Frees the node if it belongs to this list.
    virtual void RemoveNode(Node* node)
    {
        for (Node* n = m_head; n; n = n->next) {
            if (n == node) {
                FreeNode(n);
                return;
            }
        }
    }
    /// Frees the first node holding the item, if any.
    virtual void Remove(T* item)
    {
        for (Node* n = m_head; n; n = n->next) {
            if (n->item == item) {
                FreeNode(n);
                return;
            }
        }
    }
    /// Frees the cursor node and moves the cursor to the next node; returns
    /// the new cursor's item or null.
    virtual T* RemoveCurrent()
    {
        if (!m_cursor)
            return nullptr;
        Node* next = m_cursor->next;
        FreeNode(m_cursor);
        m_cursor = next;
        return m_cursor ? m_cursor->item : nullptr;
    }
    /// Frees the cursor node and moves the cursor to the previous node;
    /// returns the new cursor's item or null.
    virtual T* RemoveCurrentPrev()
    {
        if (!m_cursor)
            return nullptr;
        Node* prev = m_cursor->prev;
        FreeNode(m_cursor);
        m_cursor = prev;
        return m_cursor ? m_cursor->item : nullptr;
    }
    virtual int GetCount() const { return m_count; }
    /// Cursor = head.
    virtual T* GetFirst()
    {
        m_cursor = m_head;
        return m_cursor ? m_cursor->item : nullptr;
    }
    /// Cursor = tail.
    virtual T* GetLast()
    {
        m_cursor = m_tail;
        return m_cursor ? m_cursor->item : nullptr;
    }
    /// Null (cursor stays null) when the cursor is null; else one step on.
    virtual T* GetNext()
    {
        if (!m_cursor)
            return nullptr;
        m_cursor = m_cursor->next;
        return m_cursor ? m_cursor->item : nullptr;
    }
    /// Null (cursor stays null) when the cursor is null; else one step back.
    virtual T* GetPrev()
    {
        if (!m_cursor)
            return nullptr;
        m_cursor = m_cursor->prev;
        return m_cursor ? m_cursor->item : nullptr;
    }
    virtual T* GetCurrent() const { return m_cursor ? m_cursor->item : nullptr; }
    /// Walks from the head with the cursor and stops on the first node that
    /// holds the item; when there is none the cursor ends null.
    virtual T* Find(T* item)
    {
        for (T* it = GetFirst(); m_cursor; it = GetNext()) {
            if (it == item)
                return it;
        }
        return nullptr;
    }
    /// Unlinks and frees the node. The cursor stays where it is unless it
    /// was on this node: then it becomes null rather than dangling.
    virtual void FreeNode(Node* node)
    {
        if (!node)
            return;
        if (node->prev)
            node->prev->next = node->next;
        else
            m_head = node->next;
        if (node->next)
            node->next->prev = node->prev;
        else
            m_tail = node->prev;
        if (m_cursor == node)
            m_cursor = nullptr;
        delete node;
        --m_count;
    }

protected:
    Node* m_cursor = nullptr;
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    int m_count = 0;
};
