// The object map of DkPEXCtl.drx.
#pragma once

#include "ComModule.h"

#include <span>

namespace dkpex
{
std::span<dkfw::ObjectMapEntry> ObjectMap() noexcept;
}
