#include "bitmap/color_index.h"
