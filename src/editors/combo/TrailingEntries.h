// CTrailingEntries: where a drop-down's unspecified and varies entries stand after its own
// entries (the unspecified one first), -1 while absent; one bookkeeping for every list.
#pragma once

class CTrailingEntries
{
public:
    int unspecified = -1;
    int varies = -1;

    void Reset() noexcept { unspecified = varies = -1; }
    // The entry appears at position at, unless it stands already; true when it appeared.
    static bool Appear(int& entry, int at) noexcept
    {
        if (entry != -1)
            return false;
        entry = at;
        return true;
    }
    // The entry (one of the two) leaves, and the other moves up when it stood behind it;
    // true when it was there.
    bool Leave(int& entry) noexcept
    {
        if (entry == -1)
            return false;
        int& other = &entry == &unspecified ? varies : unspecified;
        if (other > entry)
            --other;
        entry = -1;
        return true;
    }
};
