#include "../plugin-objects.h"

void register_vcam_output(void)
{
}
