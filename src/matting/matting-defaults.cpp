// Default settings of a new filter: an effect that shows its input as it is.
#include "matting-filter.h"

namespace {

const char DEFAULT_SHADER_TEXT[] =
	"float4 mainImage(VertData v_in) : TARGET\n"
	"{\n"
	"\treturn image.Sample(textureSampler, v_in.uv);\n"
	"}\n";

} // namespace

void matting_get_defaults(obs_data_t *settings)
{
	obs_data_set_default_string(settings, S_SHADER_TEXT,
				    DEFAULT_SHADER_TEXT);
}
