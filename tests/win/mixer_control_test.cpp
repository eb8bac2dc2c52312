#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/mixer_control.h"

namespace {

// Set by scripts/with-pulseaudio.sh: a sound server is running, so Wine must offer a mixer.
bool SoundServerPromised() { return std::getenv("VAKRO_PULSE_SERVER") != nullptr; }

TEST(MixerWithoutDevice, StaysClosedAndOnlyKeepsValues) {
  if (mixerGetNumDevs() > 0) GTEST_SKIP() << "this machine has a mixer device";
  TMixerControl mixer;
  EXPECT_FALSE(mixer.IsOpen());
  EXPECT_FALSE(mixer.Open());
  EXPECT_EQ(mixer.Volume(), 0xFFFFFFFFu);
  EXPECT_EQ(mixer.VolumeMin(), -1);
  EXPECT_EQ(mixer.VolumeMax(), 0xFFFFFFFFu);
  EXPECT_FALSE(mixer.Muted());

  mixer.SetVolume(1024);
  mixer.SetMute(true);
  EXPECT_EQ(mixer.Volume(), 1024u);
  EXPECT_TRUE(mixer.Muted());
  EXPECT_TRUE(mixer.Close());
}

// Wine keeps what a process writes through the mixer inside that process, so every step is
// checked by a new object in this one process.
class MixerOnSpeakers : public testing::Test {
 protected:
  void SetUp() override {
    if (mixerGetNumDevs() > 0) return;
    if (SoundServerPromised()) FAIL() << "a sound server runs but Wine offers no mixer device";
    GTEST_SKIP() << "no mixer device; ctest's mixer_pulse runs this with a sound server "
                    "(scripts/with-pulseaudio.sh)";
  }
};

TEST_F(MixerOnSpeakers, OpensWithVolumeBoundsAndCloses) {
  TMixerControl mixer;
  ASSERT_TRUE(mixer.IsOpen());
  EXPECT_TRUE(mixer.Open());
  EXPECT_EQ(mixer.VolumeMin(), 0);
  EXPECT_EQ(mixer.VolumeMax(), 65535u);
  EXPECT_LE(mixer.Volume(), 65535u);
  EXPECT_TRUE(mixer.Close());
  EXPECT_FALSE(mixer.IsOpen());
  EXPECT_TRUE(mixer.Close());
}

TEST_F(MixerOnSpeakers, VolumeWrittenIsReadByTheNextObject) {
  for (uint32_t value : {5000u, 0u, 65535u, 1024u}) {
    {
      TMixerControl writer;
      writer.SetVolume(value);
      EXPECT_EQ(writer.Volume(), value);
    }
    TMixerControl reader;
    EXPECT_EQ(reader.Volume(), value);
  }
}

TEST_F(MixerOnSpeakers, MuteTwiceRestoresTheState) {
  const bool start = TMixerControl().Muted();
  for (bool expected : {!start, start}) {
    {
      TMixerControl toggler;
      toggler.SetMute(!toggler.Muted());
    }
    EXPECT_EQ(TMixerControl().Muted(), expected);
  }
}

}  // namespace
