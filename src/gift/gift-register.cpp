#include "../plugin-objects.h"

void register_gift_filter(void)
{
}
