// The module's own output instance at unload, one case per process (each
// shuts its host down): never started, nothing is stopped; running, it is
// stopped once and its camera released. Either way the host reports no
// leak, the instance being released by the module.
#include "vcam-test-support.h"

#include <atomic>

using namespace vcamtest;

namespace {

std::atomic<int> stops{0};

void count_stop(void *, calldata_t *)
{
	stops++;
}

// Shuts the host down (unloading the module) and returns its leak count.
long unload_with_stop_counted()
{
	{
		OBSOutputAutoRelease output = vcam_instance();
		signal_handler_connect(obs_output_get_signal_handler(output),
				       "stopping", count_stop, nullptr);
	}
	return headless::stop();
}

} // namespace

TEST(VcamUnload, NeverStartedStopsNothing)
{
	recorder::reset();
	EXPECT_EQ(unload_with_stop_counted(), 0);
	EXPECT_EQ(stops, 0);
	EXPECT_TRUE(recorder::snapshot().cameras.empty());
}

TEST(VcamUnload, WhileRunningStopsItOnce)
{
	recorder::reset();
	{
		OBSOutputAutoRelease output = vcam_instance();
		ASSERT_TRUE(obs_output_start(output));
		ASSERT_TRUE(recorder::wait_frames(3));
	}
	EXPECT_EQ(unload_with_stop_counted(), 0);
	EXPECT_EQ(stops, 1);
	const recorder::Snapshot record = recorder::snapshot();
	ASSERT_EQ(record.cameras.size(), 1u);
	EXPECT_EQ(record.cameras[0].deletes, 1);
	EXPECT_TRUE(record.faults.empty());
}
