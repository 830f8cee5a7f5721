#pragma once
// A stage may include any family below it.
#include "engine/core/Low.h"
