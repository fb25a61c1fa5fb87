#include "bitmap/analyser.h"
