// The vendor's request handlers on a stand-in module: bad request data is
// answered with one error and reaches nothing; good data reaches the filter.
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
			return matting_rebuild_outcome{true, "line 3"};
		},
		[this](matting_filter *, bool *converted) {
			calls++;
			*converted = true;
			return matting_rebuild_outcome{false, ""};
		},
		[this](matting_filter *) {
			calls++;
			return matting_status{"", 64, 32, {"Key_color", "Gain"}};
		},
		[this](vcam_status *status) {
			status->frames_sent = 7;
			return camera;
		}};
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

size_t field_count(obs_data_t *data)
{
	size_t count = 0;
	for (obs_data_item_t *item = obs_data_first(data); item;
	     obs_data_item_next(&item))
		count++;
	return count;
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
			EXPECT_STREQ(obs_data_get_string(response, "error"),
				     error)
				<< type << " " << request;
			EXPECT_EQ(field_count(response), 1u);
			EXPECT_EQ(stand_in.calls, 0) << type << " " << request;
		}
	}
}

TEST(RemoteRequests, GoodRequestsAnswerWithTheModulesState)
{
	const char *keyer = R"({"sourceName": "camera", "filterName": "keyer"})";
	StandIn stand_in;
	OBSDataAutoRelease reloaded = answer(stand_in, "ReloadEffect", keyer);
	EXPECT_STREQ(obs_data_get_string(reloaded, "lastError"), "line 3");
	EXPECT_FALSE(obs_data_has_user_value(reloaded, "error"));

	// A rebuild that did not come within the wait is an error.
	OBSDataAutoRelease converted = answer(stand_in, "ConvertShader", keyer);
	EXPECT_TRUE(obs_data_get_bool(converted, "converted"));
	EXPECT_NE(std::string(obs_data_get_string(converted, "error"))
			  .find("not rebuilt within 1000 ms"),
		  std::string::npos);

	OBSDataAutoRelease status = answer(stand_in, "GetFilterStatus", keyer);
	EXPECT_EQ(obs_data_get_int(status, "width"), 64);
	EXPECT_EQ(obs_data_get_int(status, "height"), 32);
	OBSDataArrayAutoRelease names = obs_data_get_array(status, "parameters");
	ASSERT_EQ(obs_data_array_count(names), 2u);
	OBSDataAutoRelease second = obs_data_array_item(names, 1);
	EXPECT_STREQ(obs_data_get_string(second, "name"), "Gain");
	EXPECT_EQ(stand_in.calls, 3);

	OBSDataAutoRelease camera = answer(stand_in, "GetCameraStatus", "{}");
	EXPECT_EQ(obs_data_get_int(camera, "framesSent"), 7);
	EXPECT_FALSE(obs_data_get_bool(camera, "active"));
	stand_in.camera = false;
	OBSDataAutoRelease none = answer(stand_in, "GetCameraStatus", "{}");
	EXPECT_STREQ(obs_data_get_string(none, "error"),
		     "the module has no camera output");
}
