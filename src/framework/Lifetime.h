// An object that must outlive every call running in it: a window message, or a method whose
// work can re-enter its container (a message box pumps messages; an event or another
// object's method may run the container's code), which may release the object meanwhile.
// Each such call enters before it starts and leaves when it is done; the last leave may free
// the object, so nothing of the object is touched after it.
#pragma once

namespace dkfw
{
class Lifetime
{
public:
    virtual void EnterCall() noexcept = 0;
    virtual void LeaveCall() noexcept = 0;

protected:
    ~Lifetime() = default;
};

// One call, entered for the life of the scope (none when lifetime is null).
class CallScope
{
public:
    explicit CallScope(Lifetime* lifetime) noexcept : m_lifetime(lifetime)
    {
        if (m_lifetime)
            m_lifetime->EnterCall();
    }
    ~CallScope()
    {
        if (m_lifetime)
            m_lifetime->LeaveCall();
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    Lifetime* m_lifetime;
};
} // namespace dkfw
