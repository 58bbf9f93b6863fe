#include "store/BankStore.h"
