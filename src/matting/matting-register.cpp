#include "../plugin-objects.h"

void register_matting_filter(void)
{
}
