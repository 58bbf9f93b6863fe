#include "store/Password.h"
