// Compiled on its own so that the header is known to stand alone.
#include "tests/support/TestSupport.h"
