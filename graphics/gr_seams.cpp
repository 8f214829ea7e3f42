// Least bodies of the graphics library's operations that later work fills in: the job and page hooks,
// the drawing hooks, the drawing state, images and text conversion.
#include "gr_heap.h"
#include "gr_hooks.h"
#include "gr_image.h"
#include "gr_jobctl.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "gr_text.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvseam.h"


KV_SEAM(GrJcImportJobItemsIfOn) void GrJcImportJobItemsIfOn(SETTING_CONTEXT*, HANDLE, DWORD) {}
