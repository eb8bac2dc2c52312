// Volume and mute of the speakers line of the first mixer device (winmm mixer functions).
// Each command opens one object, changes one value and frees it; nothing stays open.
#pragma once

#include <cstdint>

class TMixerControl {
 public:
  // Opens the mixer; a failed open leaves the object closed and its values as initialised.
  TMixerControl();
  ~TMixerControl();
  TMixerControl(const TMixerControl&) = delete;
  TMixerControl& operator=(const TMixerControl&) = delete;

  // True when open already or when device 0 has a speakers line with a readable mute control.
  bool Open();
  // True when nothing was open; otherwise whether the device closed (it is forgotten anyway).
  bool Close();
  bool IsOpen() const { return mixer_ != nullptr; }

  // Writes the value to the volume control and keeps it, whether or not the write succeeded.
  void SetVolume(uint32_t value);
  // Writes the state to the mute control and keeps it, whether or not the write succeeded.
  void SetMute(bool state);

  uint32_t Volume() const { return volume_; }
  int32_t VolumeMin() const { return volumeMin_; }
  uint32_t VolumeMax() const { return volumeMax_; }
  bool Muted() const { return muted_; }

 private:
  void ReadVolumeControl(uint32_t lineId);
  bool ReadMuteControl(uint32_t lineId);
  bool WriteControlValue(uint32_t controlId, uint32_t value);

  void* mixer_ = nullptr;  // HMIXER of the open device
  uint32_t volumeControlId_ = 0xFFFFFFFFu;
  uint32_t muteControlId_ = 0xFFFFFFFFu;
  int32_t volumeMin_ = -1;
  uint32_t volumeMax_ = 0xFFFFFFFFu;
  uint32_t volume_ = 0xFFFFFFFFu;
  bool muted_ = false;
};
