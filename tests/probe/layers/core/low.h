#pragma once
// A bottom layer that reaches up: the layer check must reject this tree.
#include "ui/high.h"
