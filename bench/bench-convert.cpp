// Benchmark: converting a 64 KB Shadertoy shader (target: under 50 ms).
// Run by hand: build/bench/bench-convert [SIZE_BYTES] [RUNS] [distinct]
// "distinct" gives each block's one-argument constructors constants of
// their own, so that no two calls in the text are alike.
#include "shader-convert.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// One block of helper functions in the style of a large Shadertoy scene:
// noise, signed distances, rotations, constructors, atan and sampling.
bool distinct_calls = false;

std::string helper_block(int i)
{
	const std::string n = std::to_string(i);
	const std::string half = distinct_calls ? "0.5" + n : "0.5";
	return "// block " + n +
	       "\n"
	       "float hash" +
	       n +
	       "(vec2 p)\n{\n"
	       "    p = fract(p * vec2(123.34, 456.21));\n"
	       "    p += dot(p, p + 45.32);\n"
	       "    return fract(p.x * p.y);\n}\n\n"
	       "float noise" +
	       n +
	       "(vec2 p)\n{\n"
	       "    vec2 i = floor(p);\n"
	       "    vec2 f = fract(p);\n"
	       "    vec2 u = f * f * (3.0 - 2.0 * f);\n"
	       "    float a = hash" +
	       n +
	       "(i);\n"
	       "    float b = hash" +
	       n +
	       "(i + vec2(1.0, 0.0));\n"
	       "    float c = hash" +
	       n +
	       "(i + vec2(0.0, 1.0));\n"
	       "    float d = hash" +
	       n +
	       "(i + vec2(1.0));\n"
	       "    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);\n}\n\n"
	       "mat2 rot" +
	       n +
	       "(float a)\n{\n"
	       "    float s = sin(a), c = cos(a);\n"
	       "    return mat2(c, -s, s, c);\n}\n\n"
	       "vec3 shade" +
	       n +
	       "(vec2 uv, float t)\n{\n"
	       "    mat2 m = rot" +
	       n +
	       "(t * 0.1);\n"
	       "    vec2 q = m * uv;\n"
	       "    float ang = atan(q.y, q.x);\n"
	       "    float r = length(q);\n"
	       "    vec3 col = vec3(" +
	       half +
	       ") + 0.5 * cos(t + vec3(0.0, 2.0, 4.0) + "
	       "ang);\n"
	       "    col *= smoothstep(0.2, 0.21, r) * noise" +
	       n +
	       "(q * 4.0);\n"
	       "    col = mix(col, vec3(1.0), step(0.9, fract(r * 10.0)));\n"
	       "    col += texture(iChannel0, uv * 0.5).rgb * vec3(0.1);\n"
	       "    return col;\n}\n\n";
}

std::string large_shader(size_t size)
{
	std::string text = "// A large Shadertoy scene\n"
			   "const float PI = 3.14159265;\n"
			   "float gain = 1.5;\n\n";
	std::string calls;
	for (int i = 0; text.size() < size - 600; i++) {
		text += helper_block(i);
		if (i < 8)
			calls += "    col += shade" + std::to_string(i) +
				 "(uv, iTime);\n";
	}
	text += "void mainImage( out vec4 fragColor, in vec2 fragCoord )\n{\n"
		"    vec2 uv = fragCoord/iResolution.xy;\n"
		"    vec3 col = vec3(0.0);\n" +
		calls +
		"    col *= gain;\n"
		"    col += texture(iChannel1, uv).rgb * 0.1;\n"
		"    fragColor = vec4(col, 1.0);\n}\n";
	return text;
}

} // namespace

int main(int argc, char **argv)
{
	const size_t size =
		argc > 1 ? strtoul(argv[1], nullptr, 10) : 64 * 1024;
	const int runs = argc > 2 ? atoi(argv[2]) : 20;
	distinct_calls = argc > 3 && std::string(argv[3]) == "distinct";
	const std::string shader = large_shader(size);

	std::vector<double> times;
	size_t converted_size = 0;
	for (int i = 0; i < runs; i++) {
		const auto start = std::chrono::steady_clock::now();
		const ConvertResult result = convert_shader(shader);
		const auto end = std::chrono::steady_clock::now();
		if (!result.converted()) {
			fprintf(stderr, "not converted: %s\n",
				convert_status_message(result.status));
			return 1;
		}
		converted_size = result.text.size();
		times.push_back(
			std::chrono::duration<double, std::milli>(end - start)
				.count());
	}
	std::sort(times.begin(), times.end());
	printf("input %zu bytes, output %zu bytes, %d runs\n", shader.size(),
	       converted_size, runs);
	printf("conversion: min %.2f ms, median %.2f ms, max %.2f ms "
	       "(target < 50 ms)\n",
	       times.front(), times[times.size() / 2], times.back());
	return times[times.size() / 2] < 50.0 ? 0 : 1;
}
