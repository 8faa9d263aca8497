// The host database's object ids and the host's growable array.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// A database object id; 0 is the null id.
class DkDbObjectId
{
public:
    constexpr DkDbObjectId() noexcept = default;
    constexpr explicit DkDbObjectId(LONG_PTR oldId) noexcept : m_id(oldId) {}
    constexpr LONG_PTR asOldId() const noexcept { return m_id; }
    constexpr bool isNull() const noexcept { return m_id == 0; }
    friend constexpr bool operator==(DkDbObjectId a, DkDbObjectId b) noexcept { return a.m_id == b.m_id; }
    friend constexpr bool operator!=(DkDbObjectId a, DkDbObjectId b) noexcept { return a.m_id != b.m_id; }
    friend constexpr bool operator<(DkDbObjectId a, DkDbObjectId b) noexcept { return a.m_id < b.m_id; }

private:
    LONG_PTR m_id = 0;
};

// The host's array: grows by at least its grow length, by at most 8192 entries at a time
// once it holds 8192 or more.
template <class T> class DkArray
{
public:
    explicit DkArray(int initialCapacity = 0, int growLength = 8) : m_growLength(growLength > 0 ? growLength : 8)
    {
        m_items.reserve(static_cast<size_t>(std::max(initialCapacity, 0)));
    }

    int length() const noexcept { return static_cast<int>(m_items.size()); }
    bool isEmpty() const noexcept { return m_items.empty(); }
    int growLength() const noexcept { return m_growLength; }
    int physicalLength() const noexcept { return static_cast<int>(m_items.capacity()); }

    DkArray& append(const T& value)
    {
        if (m_items.size() == m_items.capacity())
        {
            const size_t now = m_items.size();
            const size_t step = std::max<size_t>(static_cast<size_t>(m_growLength), std::min<size_t>(now, 8192));
            m_items.reserve(now + step);
        }
        m_items.push_back(value);
        return *this;
    }
    void setLogicalLength(int n) { m_items.resize(static_cast<size_t>(std::max(n, 0))); }
    void removeAll() noexcept { m_items.clear(); }

    T& operator[](int i) { return m_items[static_cast<size_t>(i)]; }
    const T& operator[](int i) const { return m_items[static_cast<size_t>(i)]; }
    const T* asArrayPtr() const noexcept { return m_items.data(); }

private:
    std::vector<T> m_items;
    int m_growLength;
};
