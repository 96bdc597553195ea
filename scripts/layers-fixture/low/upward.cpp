#include "low/base.h"
// Wrong way: a lower folder reaching up.
#include "high/top.h"
