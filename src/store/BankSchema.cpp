#include "store/BankSchema.h"
