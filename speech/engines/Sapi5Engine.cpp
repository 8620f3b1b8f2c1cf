#include "Sapi5Engine.h"
