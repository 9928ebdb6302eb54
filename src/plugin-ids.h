// Ids of the module's three plugin objects: the host registers them under
// these names, and tools, tests and controllers create them by these names.
#pragma once

#define GIFT_FILTER_ID "velmora-gift"
#define MATTING_FILTER_ID "velmora-matting"
#define VCAM_OUTPUT_ID "velmora-rgb-cam"
