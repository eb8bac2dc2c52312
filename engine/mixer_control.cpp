#include "engine/mixer_control.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

const DWORD kByHandle = MIXER_OBJECTF_HMIXER;

HMIXEROBJ MixerObject(void* mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }

// The control of `controlType` on line `lineId`; false when the line has none.
bool FindControl(void* mixer, uint32_t lineId, DWORD controlType, MIXERCONTROLA& control) {
  control = {};
  control.cbStruct = sizeof control;
  MIXERLINECONTROLSA request = {};
  request.cbStruct = sizeof request;
  request.dwLineID = lineId;
  request.dwControlType = controlType;
  request.cControls = 1;
  request.cbmxctrl = sizeof control;
  request.pamxctrl = &control;
  return mixerGetLineControlsA(MixerObject(mixer), &request,
                               MIXER_GETLINECONTROLSF_ONEBYTYPE | kByHandle) == MMSYSERR_NOERROR;
}

// One channel, one item, one 4-byte value (unsigned volume or boolean switch).
MIXERCONTROLDETAILS SingleValueDetails(uint32_t controlId, DWORD* value) {
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwControlID = controlId;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof *value;
  details.paDetails = value;
  return details;
}

bool ReadControlValue(void* mixer, uint32_t controlId, DWORD& value) {
  MIXERCONTROLDETAILS details = SingleValueDetails(controlId, &value);
  return mixerGetControlDetailsA(MixerObject(mixer), &details,
                                 MIXER_GETCONTROLDETAILSF_VALUE | kByHandle) == MMSYSERR_NOERROR;
}

}  // namespace

TMixerControl::TMixerControl() { Open(); }

TMixerControl::~TMixerControl() { Close(); }

bool TMixerControl::Open() {
  if (mixer_) return true;
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) return false;
  mixer_ = mixer;
  MIXERLINEA line = {};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoA(MixerObject(mixer_), &line,
                        MIXER_GETLINEINFOF_COMPONENTTYPE | kByHandle) != MMSYSERR_NOERROR) {
    Close();
    return false;
  }
  ReadVolumeControl(line.dwLineID);
  if (!ReadMuteControl(line.dwLineID)) {
    Close();
    return false;
  }
  return true;
}

// A speakers line without a usable volume control still counts; the values stay unread.
void TMixerControl::ReadVolumeControl(uint32_t lineId) {
  MIXERCONTROLA control;
  if (!FindControl(mixer_, lineId, MIXERCONTROL_CONTROLTYPE_VOLUME, control)) return;
  volumeControlId_ = control.dwControlID;
  volumeMin_ = control.Bounds.lMinimum;
  volumeMax_ = control.Bounds.dwMaximum;
  DWORD value = 0;
  if (ReadControlValue(mixer_, volumeControlId_, value)) volume_ = value;
}

bool TMixerControl::ReadMuteControl(uint32_t lineId) {
  MIXERCONTROLA control;
  if (!FindControl(mixer_, lineId, MIXERCONTROL_CONTROLTYPE_MUTE, control)) return false;
  muteControlId_ = control.dwControlID;
  DWORD value = 0;
  if (!ReadControlValue(mixer_, muteControlId_, value)) return false;
  muted_ = value != 0;
  return true;
}

bool TMixerControl::Close() {
  if (!mixer_) return true;
  const bool closed = mixerClose(static_cast<HMIXER>(mixer_)) == MMSYSERR_NOERROR;
  mixer_ = nullptr;
  return closed;
}

// A closed object addresses no device: the write is skipped as it would fail.
bool TMixerControl::WriteControlValue(uint32_t controlId, uint32_t value) {
  if (!mixer_) return false;
  DWORD detail = value;
  MIXERCONTROLDETAILS details = SingleValueDetails(controlId, &detail);
  return mixerSetControlDetails(MixerObject(mixer_), &details,
                                MIXER_SETCONTROLDETAILSF_VALUE | kByHandle) == MMSYSERR_NOERROR;
}

void TMixerControl::SetVolume(uint32_t value) {
  WriteControlValue(volumeControlId_, value);
  volume_ = value;
}

void TMixerControl::SetMute(bool state) {
  WriteControlValue(muteControlId_, state ? 1u : 0u);
  muted_ = state;
}
