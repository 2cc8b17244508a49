#pragma once
#include "core/low.h"
