#include "low/base.h"
#include "high/top.h"
