// The vendor's request handlers on a stand-in module: bad request data is
// answered with one error and reaches nothing; what only the module can
// fail at is an error too.
#include "remote/remote-requests.h"

#include <obs.hpp>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A module whose only matting filter is "keyer" on "camera"; "chroma" on it
// is another kind of filter.
struct StandIn {
	int calls = 0;
	bool camera = true;
	matting_filter *const filter = reinterpret_cast<matting_filter *>(this);
	remote_module module{
		[this](const std::string &source, const std::string &name,
		       std::string *kind,
		       const std::function<void(matting_filter *)> &use) {
			if (source != "camera")
				return remote_lookup::no_source;
			if (name == "chroma") {
				*kind = "chroma_key_filter_v2";
				return remote_lookup::other_kind;
			}
			if (name != "keyer")
				return remote_lookup::no_filter;
			use(filter);
			return remote_lookup::found;
		},
		[this](matting_filter *) {
			calls++;
			return matting_rebuild_outcome{true, ""};
		},
		[this](matting_filter *, bool *converted) {
			calls++;
			*converted = true;
			return matting_rebuild_outcome{false, ""};
		},
		[this](matting_filter *) {
			calls++;
			return matting_status{};
		},
		[this](vcam_status *) { return camera; }};
};

OBSDataAutoRelease answer(StandIn &stand_in, const char *type,
			  const char *request_json)
{
	OBSDataAutoRelease request = obs_data_create_from_json(request_json);
	OBSDataAutoRelease response = obs_data_create();
	for (size_t i = 0; i < REMOTE_REQUEST_COUNT; i++)
		if (strcmp(REMOTE_REQUESTS[i].type, type) == 0)
			REMOTE_REQUESTS[i].handle(stand_in.module, request,
						  response);
	return response;
}

} // namespace

TEST(RemoteRequests, BadRequestDataGetsOneErrorAndReachesNothing)
{
	const std::pair<const char *, const char *> cases[] = {
		{"{}", "requestData needs \"sourceName\" (a string)"},
		{R"({"sourceName": 3, "filterName": "keyer"})",
		 "requestData needs \"sourceName\" (a string), got another type"},
		{R"({"sourceName": "camera"})",
		 "requestData needs \"filterName\" (a string)"},
		{R"({"sourceName": "camera", "filterName": {"a": 1}})",
		 "requestData needs \"filterName\" (a string), got another type"},
		{R"({"sourceName": "studio", "filterName": "keyer"})",
		 "no source named \"studio\""},
		{R"({"sourceName": "camera", "filterName": "Keyer"})",
		 "source \"camera\" has no filter named \"Keyer\""},
		{R"({"sourceName": "camera", "filterName": "chroma"})",
		 "filter \"chroma\" on \"camera\" is a \"chroma_key_filter_v2\" "
		 "filter, not velmora-matting"},
	};
	for (const char *type :
	     {"ReloadEffect", "ConvertShader", "GetFilterStatus"}) {
		for (const auto &[request, error] : cases) {
			StandIn stand_in;
			OBSDataAutoRelease response =
				answer(stand_in, type, request);
			// The error is the answer's only field.
			OBSDataAutoRelease only_error = obs_data_create();
			obs_data_set_string(only_error, "error", error);
			EXPECT_STREQ(obs_data_get_json(response),
				     obs_data_get_json(only_error))
				<< type << " " << request;
			EXPECT_EQ(stand_in.calls, 0) << type << " " << request;
		}
	}
}

// The answers to good requests, through the real host: the frontend test.
TEST(RemoteRequests, ARebuildOutOfTimeAndAModuleWithoutCameraAreErrors)
{
	StandIn stand_in;
	OBSDataAutoRelease converted = answer(
		stand_in, "ConvertShader",
		R"({"sourceName": "camera", "filterName": "keyer"})");
	EXPECT_TRUE(obs_data_get_bool(converted, "converted"));
	EXPECT_NE(std::string(obs_data_get_string(converted, "error"))
			  .find("not rebuilt within 1000 ms"),
		  std::string::npos);
	EXPECT_EQ(stand_in.calls, 1);
	stand_in.camera = false;
	OBSDataAutoRelease none = answer(stand_in, "GetCameraStatus", "{}");
	EXPECT_STREQ(obs_data_get_string(none, "error"),
		     "the module has no camera output");
}
