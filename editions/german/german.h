// The German edition, TembreloStart.
#pragma once

#include "launcher/edition.h"

namespace tembrel {

extern const Edition germanEdition;

}  // namespace tembrel
