#include "bitmap/bmp_header.h"
