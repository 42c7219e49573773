// The engine reports failures as the platform's Status (platform/status.h).
#pragma once

#include "platform/status.h"
