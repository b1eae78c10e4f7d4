#include "debugwin/debugwins.h"
