#include "palette/fixed_palettes.h"
