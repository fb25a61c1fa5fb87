#include "bitmap/writer.h"
