// The English edition, TembrelLaunch.
#pragma once

#include "launcher/edition.h"

namespace tembrel {

extern const Edition englishEdition;

}  // namespace tembrel
