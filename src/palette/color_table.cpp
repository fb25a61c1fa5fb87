#include "palette/color_table.h"
