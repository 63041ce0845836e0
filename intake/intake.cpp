#include "intake/intake.h"
