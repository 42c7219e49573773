// The format's little-endian fields are read and written with the platform's helpers; the
// engine's files include them by this name.
#pragma once

#include "platform/endian.h"
