#pragma once
// The tool the canvas shows: crop, retouch (spot healing) or mask, the first
// of them whose mode is on; viewing is none of them (zoom, pan and the comparison).
namespace vantrel {

enum class ToolMode { viewing, crop, retouch, mask };

// How soon a request renders the full scan: a final one at once (with the
// histogram and the filmstrip thumbnail); an interactive one renders the proxy
// at once and the full scan after a quiet pause.
enum class RenderQuality { interactive, final };

// When a recipe save is written: now, or after a quiet pause (during a drag).
enum class SaveTiming { delayed, now };

}  // namespace vantrel
