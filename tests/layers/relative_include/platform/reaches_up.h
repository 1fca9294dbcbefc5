#pragma once
// A layer reaching a folder above it beside the include roots: the build must refuse this.
#include "../common/text_utils.h"
