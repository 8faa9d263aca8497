// HRESULT macros and the exception-to-HRESULT mapping used at every COM, window and export boundary.
#pragma once

#include <windows.h>

#include <new>

namespace dkfw
{
// Maps the exception in flight to an HRESULT; call only inside a catch block.
inline HRESULT HresultFromCaughtException() noexcept
{
    try
    {
        throw;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_FAIL;
    }
}
} // namespace dkfw

#define RETURN_IF_FAILED(expr)                                                                                         \
    do                                                                                                                 \
    {                                                                                                                  \
        const HRESULT dkHr_ = (expr);                                                                                  \
        if (FAILED(dkHr_))                                                                                             \
            return dkHr_;                                                                                              \
    } while (0)

#define RETURN_HR_IF(hr, cond)                                                                                         \
    do                                                                                                                 \
    {                                                                                                                  \
        if (cond)                                                                                                      \
            return (hr);                                                                                               \
    } while (0)

#define RETURN_HR_IF_NULL(hr, ptr)                                                                                     \
    do                                                                                                                 \
    {                                                                                                                  \
        if ((ptr) == nullptr)                                                                                          \
            return (hr);                                                                                               \
    } while (0)

#define RETURN_LAST_ERROR_IF(cond)                                                                                     \
    do                                                                                                                 \
    {                                                                                                                  \
        if (cond)                                                                                                      \
        {                                                                                                              \
            const DWORD dkErr_ = ::GetLastError();                                                                     \
            return dkErr_ ? HRESULT_FROM_WIN32(dkErr_) : E_FAIL;                                                       \
        }                                                                                                              \
    } while (0)

#define RETURN_IF_WIN32_BOOL_FALSE(call) RETURN_LAST_ERROR_IF(!(call))

// Closes a noexcept COM method or export: no exception ever crosses it.
#define DK_CATCH_RETURN()                                                                                              \
    catch (...)                                                                                                        \
    {                                                                                                                  \
        return ::dkfw::HresultFromCaughtException();                                                                   \
    }
