// Hand-written abuse of the host's preprocessor and of the structures its
// effect parser and OpenGL writer trip over, one or more texts per class,
// at sizes below and far above the guard's limits.
#include "effect-mutator.h"

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mutator {

namespace {

const char *const head =
	"uniform float4x4 ViewProj;\n"
	"struct VertData { float4 pos : POSITION; float2 uv : TEXCOORD0; };\n"
	"VertData mainTransform(VertData v_in)\n{\n"
	"\tVertData o;\n"
	"\to.pos = mul(float4(v_in.pos.xyz, 1.0), ViewProj);\n"
	"\to.uv = v_in.uv;\n\treturn o;\n}\n";
const char *const technique =
	"technique Draw\n{\n\tpass\n\t{\n"
	"\t\tvertex_shader = mainTransform(v_in);\n"
	"\t\tpixel_shader = mainImage(v_in);\n\t}\n}\n";

// A complete effect: pre before the pixel function, body inside it.
std::string effect(const std::string &pre, const std::string &body,
		   const std::string &post = "")
{
	return std::string(head) + pre +
	       "\nfloat4 mainImage(VertData v_in) : TARGET\n{\n"
	       "\tfloat4 c = float4(v_in.uv, 0.0, 1.0);\n" +
	       body + "\n\treturn c;\n}\n" + post + technique;
}

// An effect whose pixel function is given whole.
std::string pixel(const std::string &structs, const std::string &function,
		  const std::string &call = "mainImage(v_in)")
{
	return "uniform float4x4 ViewProj;\n" + structs +
	       "\nVertData mainTransform(VertData v_in)\n{\n\treturn v_in;\n}\n" +
	       function +
	       "\ntechnique Draw\n{\n\tpass\n\t{\n"
	       "\t\tvertex_shader = mainTransform(v_in);\n"
	       "\t\tpixel_shader = " +
	       call + ";\n\t}\n}\n";
}

const char *const vert_data =
	"struct VertData { float4 pos : POSITION; float2 uv : TEXCOORD0; };\n";

std::string repeat(const std::string &s, size_t n)
{
	std::string out;
	out.reserve(s.size() * n);
	for (size_t i = 0; i < n; i++)
		out += s;
	return out;
}

void add_nesting(std::vector<Sample> &out, size_t n)
{
	const std::string size = std::to_string(n);
	out.push_back({"ifdef-nesting-" + size,
		       effect(repeat("#ifdef OPENGL\n", n) +
				      repeat("#endif\n", n),
			      "")});
	out.push_back({"brace-nesting-" + size,
		       effect("", repeat("{", n) + repeat("}", n))});
	out.push_back({"paren-nesting-" + size,
		       effect("", "c.x = " + repeat("(", n) + "1.0" +
					  repeat(")", n) + ";")});
	out.push_back({"macro-call-nesting-" + size,
		       effect("#define f(x) x\n", "c.x = " + repeat("f(", n) +
							  "1.0" + repeat(")", n) +
							  ";")});
	std::string chain;
	for (size_t i = 0; i < n; i++)
		chain += "#define A" + std::to_string(i) + " A" +
			 std::to_string(i + 1) + "\n";
	chain += "#define A" + size + " 0.5\n";
	out.push_back({"macro-chain-" + size, effect(chain, "c.x = A0;")});
	std::string sum = "c.x = 1.0";
	for (size_t i = 0; i < n; i++)
		sum += "+c.y";
	out.push_back({"long-expression-" + size, effect("", sum + ";")});
	std::string decls, uses;
	for (size_t i = 0; i < n; i++) {
		decls += "uniform float u" + std::to_string(i) + ";\n";
		uses += "\tc.x += u" + std::to_string(i) + ";\n";
	}
	out.push_back({"declarations-" + size, effect(decls, uses)});
}

// Files for #include: empty, a directory, a named pipe, a file including
// itself. Made once in a folder of their own.
std::string include_folder()
{
	static std::string dir;
	if (!dir.empty())
		return dir;
	char tmpl[] = "/tmp/velmora-abuse-XXXXXX";
	dir = mkdtemp(tmpl) ? tmpl : "/tmp";
	std::ofstream(dir + "/empty.effect");
	mkdir((dir + "/folder.effect").c_str(), 0700);
	mkfifo((dir + "/pipe.effect").c_str(), 0600);
	std::ofstream(dir + "/self.effect")
		<< " #include \"" << dir << "/self.effect\"\n";
	std::ofstream(dir + "/ok.effect") << "float4 included_colour;\n";
	return dir;
}

} // namespace

std::vector<Sample> abuse_texts()
{
	std::vector<Sample> out;
	const std::string ps = "float4 mainImage(VertData v_in) : TARGET\n{\n"
			       "\treturn float4(v_in.uv, 0.0, 1.0);\n}\n";

	// A function body whose '{' is never closed.
	out.push_back({"unclosed-function",
		       effect("", "", "").substr(
			       0, effect("", "").rfind("}\ntechnique"))});
	out.push_back({"unclosed-function-at-end",
		       std::string(head) + technique + "float4 mainImage(VertData v_in) : TARGET\n{\n\treturn float4(1,1,1,1);\n"});
	out.push_back({"closing-brace-hidden-by-ifdef",
		       pixel(vert_data, "float4 mainImage(VertData v_in) : TARGET\n{\n\treturn float4(v_in.uv, 0.0, 1.0);\n#ifdef NOT_DEFINED\n}\n#endif\n")});
	out.push_back({"opening-brace-from-macro",
		       pixel(std::string(vert_data) + "#define OPEN {\n", "float4 mainImage(VertData v_in) : TARGET\nOPEN\n\treturn float4(v_in.uv, 0.0, 1.0);\n")});
	out.push_back({"extra-opening-brace",
		       effect("", "\tif (c.x > 0.5) {\n\t\tc.y = 1.0;\n")});
	out.push_back({"paren-closed-by-brace",
		       effect("", "\tc.x = (1.0;\n}\n")});

	// Macros that expand into themselves.
	out.push_back({"object-macro-self", effect("#define A A\n", "c.x = A;")});
	out.push_back({"object-macro-mutual",
		       effect("#define A B\n#define B A\n", "c.x = A;")});
	out.push_back({"object-macro-cycle-3",
		       effect("#define A B\n#define B C\n#define C (A+1.0)\n", "c.x = A;")});
	out.push_back({"function-macro-self",
		       effect("#define f(x) f(x)\n", "c.x = f(1.0);")});
	out.push_back({"function-macro-mutual",
		       effect("#define f(x) g(x)\n#define g(x) f(x)\n", "c.x = f(1.0);")});
	out.push_back({"macro-self-through-argument",
		       effect("#define g(x) x\n#define h g(h)\n", "c.x = h;")});
	out.push_back({"macro-self-in-ifdef",
		       effect("#ifdef OPENGL\n#define A (A)\n#endif\n", "c.x = A;")});
	out.push_back({"macro-argument-reuse",
		       effect("#define f(x) x\n", "c.x = f(f(f(1.0)));")});

	// Nesting and expansion, below and far above the limits.
	for (size_t n : {100, 300, 2000, 20000, 100000})
		add_nesting(out, n);
	for (int k : {8, 16, 20, 24}) {
		std::string pre = "#define E0 c.x\n";
		for (int i = 0; i < k; i++)
			pre += "#define E" + std::to_string(i + 1) + " E" +
			       std::to_string(i) + " E" + std::to_string(i) +
			       "\n";
		out.push_back({"exponential-macro-" + std::to_string(k),
			       effect(pre, "c.x = 0.0 E" + std::to_string(k) +
						   ";")});
	}

	for (int k : {10, 20, 30}) {
		// Doubling expansions that produce nothing.
		std::string pre = "#define F(x) x\n#define N0\n";
		for (int i = 0; i < k; i++)
			pre += "#define N" + std::to_string(i + 1) + " F(N" +
			       std::to_string(i) + ")F(N" + std::to_string(i) +
			       ")\n";
		out.push_back({"empty-exponential-macro-" + std::to_string(k),
			       effect(pre, "c.x = 1.0 N" + std::to_string(k) +
						   ";")});
	}

	// Function-like macros without their argument list.
	out.push_back({"function-macro-last-token",
		       effect("#define F(x) x\n", "", "") + "F"});
	out.push_back({"function-macro-last-token-newline",
		       effect("#define F(x) x\n", "", "") + "F\n"});
	out.push_back({"function-macro-end-of-body",
		       effect("#define F(x) x\n#define G F\n", "c.x = G(1.0);")});
	out.push_back({"function-macro-open-arguments",
		       effect("#define F(x) x\n", "", "") + "F(1.0"});
	out.push_back({"function-macro-open-arguments-line",
		       effect("#define F(x) x\n", "c.x = F(1.0;")});
	out.push_back({"function-macro-open-in-body",
		       effect("#define F(x) x\n#define G F(1.0\n", "c.x = G);")});
	out.push_back({"function-macro-in-argument",
		       effect("#define F(x) x\n#define H(x) x(1.0)\n", "c.x = H(F);")});
	out.push_back({"function-macro-blank-before-paren",
		       effect("#define F(x) x\n", "c.x = F (1.0);")});
	out.push_back({"function-macro-blank-in-definition",
		       effect("#define F (x) x\n", "c.x = F(1.0);")});

	// #include reaching the host's own preprocessor.
	const std::string dir = include_folder();
	for (const char *name : {"empty.effect", "folder.effect", "pipe.effect",
				 "self.effect", "ok.effect", "missing.effect"})
		out.push_back({std::string("include-") + name,
			       effect(std::string(" #include \"") + dir + "/" +
					      name + "\"\n",
				      "")});
	out.push_back({"include-relative",
		       effect(" #include \"../../../../etc/hostname\"\n", "")});
	out.push_back({"include-relative-folder",
		       effect(" #include \".\"\n", "")});
	out.push_back({"include-from-macro-hash",
		       effect("#define H #\n", "H include \"" + dir +
						       "/pipe.effect\"")});
	out.push_back({"include-inactive",
		       effect("#ifdef NOT_DEFINED\n#include \"" + dir +
				      "/pipe.effect\"\n#endif\n",
			      "")});

	// Shader functions the OpenGL writer cannot map.
	out.push_back({"pixel-no-parameters",
		       pixel(vert_data, "float4 mainImage() : TARGET\n{\n\treturn float4(1,0,0,1);\n}\n")});
	out.push_back({"pixel-parameter-without-semantic",
		       pixel(vert_data, "float4 mainImage(float4 c) : TARGET\n{\n\treturn c;\n}\n")});
	out.push_back({"pixel-unknown-type",
		       pixel(vert_data, "float4 mainImage(Nothing v_in) : TARGET\n{\n\treturn float4(1,0,0,1);\n}\n")});
	out.push_back({"pixel-constant-arguments",
		       pixel(vert_data, "float4 mainImage(float4 c) : TARGET\n{\n\treturn c;\n}\n", "mainImage(float4(1,0,0,1))")});
	out.push_back({"pixel-no-return-semantic",
		       pixel(vert_data, "float4 mainImage(VertData v_in)\n{\n\treturn float4(v_in.uv, 0.0, 1.0);\n}\n")});
	out.push_back({"pixel-void",
		       pixel(vert_data, "void mainImage(VertData v_in)\n{\n}\n")});
	out.push_back({"member-without-semantic",
		       pixel("struct VertData { float4 pos : POSITION; float2 uv; };\n", ps)});
	out.push_back({"first-member-without-semantic",
		       pixel("struct VertData { float2 uv; float4 pos : POSITION; };\n", ps)});
	out.push_back({"member-without-semicolon",
		       pixel("struct VertData { float4 pos : POSITION; float2 uv : TEXCOORD0 };\n", ps)});
	out.push_back({"member-dropped",
		       pixel("struct VertData { float4 pos : POSITION; float2 uv TEXCOORD0; float2 uv : TEXCOORD0; };\n", ps)});
	out.push_back({"struct-contains-itself",
		       pixel("struct VertData { float4 pos : POSITION; VertData next : TEXCOORD1; float2 uv : TEXCOORD0; };\n", ps)});
	out.push_back({"struct-cycle-of-two",
		       pixel("struct A;\nstruct B { A a : TEXCOORD2; };\nstruct A { B b : TEXCOORD1; };\nstruct VertData { float4 pos : POSITION; A a : TEXCOORD1; float2 uv : TEXCOORD0; };\n", ps)});
	out.push_back({"struct-nested-member-without-semantic",
		       pixel("struct Inner { float2 uv : TEXCOORD0; };\nstruct VertData { float4 pos : POSITION; Inner i; float2 uv : TEXCOORD0; };\n", ps)});
	out.push_back({"result-struct-member-without-semantic",
		       pixel(std::string(vert_data) + "struct Out { float4 c; };\n", "Out mainImage(VertData v_in)\n{\n\tOut o;\n\to.c = float4(v_in.uv, 0.0, 1.0);\n\treturn o;\n}\n")});
	out.push_back({"vertex-no-parameters",
		       "uniform float4x4 ViewProj;\n" + std::string(vert_data) +
			       "VertData mainTransform()\n{\n\tVertData o;\n\to.pos = float4(0,0,0,1);\n\to.uv = float2(0,0);\n\treturn o;\n}\n" +
			       ps + technique});
	out.push_back({"vertex-no-result-semantic",
		       "uniform float4x4 ViewProj;\n" + std::string(vert_data) +
			       "float4 mainTransform(VertData v_in)\n{\n\treturn v_in.pos;\n}\n" +
			       ps + technique});

	// A line splice at the very end of the text.
	out.push_back({"splice-end-line-comment", effect("", "") + "// end \\\n"});
	out.push_back({"splice-end-block-comment", effect("", "") + "/* end \\\n"});
	out.push_back({"splice-end-string", effect("", "") + "\"end \\\n"});
	out.push_back({"splice-end-string-crlf", effect("", "") + "'end \\\r\n"});
	out.push_back({"splice-end-comment-twice", effect("", "") + "// a \\\n\\\n"});
	out.push_back({"splice-end-code", effect("", "") + "float4 x; \\\n"});
	return out;
}

std::vector<Sample> class_samples()
{
	static const char *const names[] = {
		"unclosed-function",
		"closing-brace-hidden-by-ifdef",
		"opening-brace-from-macro",
		"object-macro-self",
		"function-macro-mutual",
		"ifdef-nesting-100000",
		"brace-nesting-100000",
		"macro-call-nesting-20000",
		"exponential-macro-24",
		"empty-exponential-macro-30",
		"long-expression-20000",
		"function-macro-end-of-body",
		"function-macro-open-arguments",
		"include-pipe.effect",
		"include-folder.effect",
		"include-self.effect",
		"include-from-macro-hash",
		"pixel-no-parameters",
		"pixel-parameter-without-semantic",
		"pixel-no-return-semantic",
		"member-without-semantic",
		"struct-contains-itself",
		"declarations-20000",
	};
	std::vector<Sample> out;
	for (const Sample &sample : abuse_texts())
		for (const char *name : names)
			if (sample.name == name)
				out.push_back(sample);
	return out;
}

} // namespace mutator
