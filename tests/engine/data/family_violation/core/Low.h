#pragma once
// A core file that reaches up into the stages (the family check must refuse it).
#include "engine/core/Image.h"
#include "engine/stages/High.h"
