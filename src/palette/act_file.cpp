#include "palette/act_file.h"
