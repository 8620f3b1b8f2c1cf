#include "Sapi4Engine.h"
