/* A sample client of the settings-and-constraints library.
 *
 * Usage: kvexc_sample LIBRARY PRINTER
 *
 * Loads the library (the file the printer's driver folder holds), binds its exports by name, prints the
 * highest driver-API version the printer's model allows, opens a connection, agrees version 16, prints
 * the default DEVMODE's paper, orientation and copies, the input bins with their names and the
 * connection's last error, closes the
 * connection and unloads the library. Exit code 0 when every step worked. The machine the library works
 * on is the one KV_MACHINE_ROOT names (./machine by default).
 *
 * Before unloading, the exclusion road: takes an exclusion handle, installs a command base (the four
 * required commands and COPIES), changes the paper source, prints the change list the driver's rules
 * produced and the paper sizes available now, and frees the handle. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kvdrvexc.h"

/* The exclusion interface's exports this client calls, bound by name. */
static struct {
  EXC_HANDLE (*GetExclusive)(const char*);
  void (*FreeExclusive)(EXC_HANDLE);
  int32_t (*SetCommandBase)(EXC_HANDLE, const char*, int32_t*);
  int32_t (*UpdateCommand)(EXC_HANDLE, const char*, int32_t*);
  int32_t (*GetCommandChange)(EXC_HANDLE, int32_t, char*, int32_t*);
  int32_t (*GetCommandValue)(EXC_HANDLE, const char*, int32_t, int32_t, char*, int32_t*);
} exc;

static int RunExclusion(void* lib, const char* printer);

/* The exports this client calls, bound by name. */
static struct {
  int32_t (*CheckAPIVer)(const char*);
  API_HANDLE (*Enable)(const char*);
  int32_t (*Init)(API_HANDLE, const API_INIT_RECORD*);
  int32_t (*Disable)(API_HANDLE);
  int32_t (*GetLastError)(API_HANDLE);
  int32_t (*GetDevmode)(API_HANDLE, int32_t, void*);
  int32_t (*GetCaps)(API_HANDLE, uint32_t, void*);
  int32_t (*SetStatus)(API_HANDLE, uint32_t, void*, void*, int32_t);
  int32_t (*GetStatus)(API_HANDLE, uint32_t, void*, uint32_t);
} api;

static int Bind(void* lib, const char* name, void* slot) {
  void* f = dlsym(lib, name);
  if (!f) fprintf(stderr, "%s is not exported\n", name);
  *(void**)slot = f;
  return f != NULL;
}

static int Run(const char* printer);

/* The input bins (a list of codes) and their names (24-byte slots in the same order): count first, then
 * buffers sized from the count. A list can change between the two calls, so a few entries of room are
 * added. */
static int PrintInputBins(API_HANDLE handle) {
  int32_t n = api.GetCaps(handle, API_CAPS_INPUT_BINS, NULL);
  if (n <= 0) {
    printf("input bins: none (%d)\n", (int)n);
    return n < 0;
  }
  size_t room = (size_t)n + 8;
  uint32_t* bins = (uint32_t*)calloc(room, sizeof *bins);
  char* names = (char*)calloc(room, 24);
  int rc = 1;
  if (bins && names) {
    int32_t got = api.GetCaps(handle, API_CAPS_INPUT_BINS, bins);
    int32_t named = api.GetCaps(handle, API_CAPS_INPUT_BIN_NAMES, names);
    if (got > 0 && named == got && (size_t)got <= room) {
      printf("input bins: %d\n", (int)got);
      for (int32_t i = 0; i < got; ++i) printf("  %u %.23s\n", (unsigned)bins[i], names + (size_t)i * 24);
      rc = 0;
    } else {
      fprintf(stderr, "cannot read the input bins (%d, %d names)\n", (int)got, (int)named);
    }
  }
  free(bins);
  free(names);
  return rc;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s LIBRARY PRINTER\n", argv[0]);
    return 2;
  }
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 1;
  }
  int rc = 1;
  if (Bind(lib, "ZARNDrvCheckAPIVer", &api.CheckAPIVer) && Bind(lib, "ZARNDrvEnable", &api.Enable) &&
      Bind(lib, "ZARNDrvInit", &api.Init) && Bind(lib, "ZARNDrvDisable", &api.Disable) &&
      Bind(lib, "ZARNDrvGetLastError", &api.GetLastError) && Bind(lib, "ZARNDrvGetDevmode", &api.GetDevmode) &&
      Bind(lib, "ZARNDrvGetCaps", &api.GetCaps) &&
      Bind(lib, "ZARNDrvSetStatus", &api.SetStatus) && Bind(lib, "ZARNDrvGetStatus", &api.GetStatus))
    rc = Run(argv[2]);
  if (rc == 0) rc = RunExclusion(lib, argv[2]);
  fflush(stdout);
  dlclose(lib);
  return rc;
}

static int Run(const char* printer) {

  int32_t highest = api.CheckAPIVer(printer);
  printf("highest API version: %d\n", (int)highest);
  if (highest <= 0) {
    fprintf(stderr, "no printer named '%s'\n", printer);
    return 1;
  }

  API_HANDLE handle = api.Enable(printer);
  if (handle == 0) {
    fprintf(stderr, "cannot open a connection on '%s'\n", printer);
    return 1;
  }
  printf("connection opened\n");

  API_INIT_RECORD init = {sizeof(API_INIT_RECORD), 16};
  printf("agree version 16: %s\n", api.Init(handle, &init) == 1 ? "done" : "refused");

  API_JOB_INFO_RECORD info;
  memset(&info, 0, sizeof info);
  info.version = 1;
  info.sub = API_JOB_INFO_CORE_VERSION;
  if (api.GetStatus(handle, API_STATUS_JOB_INFO, &info, 1) == (int32_t)sizeof info)
    printf("data version %.31s, core version %.259s\n", info.u.dataVersion, info.text);
  else
    fprintf(stderr, "cannot read the versions (last error %d)\n", (int)api.GetLastError(handle));

  int rc = 0;
  int32_t size = api.GetDevmode(handle, API_DEVMODE_DEFAULTS, NULL);
  if (size < (int32_t)sizeof(API_DRIVER_DEVMODEW)) {
    fprintf(stderr, "cannot read the DEVMODE size (%d)\n", (int)size);
    rc = 1;
  } else {
    API_DRIVER_DEVMODEW* dm = (API_DRIVER_DEVMODEW*)calloc(1, (size_t)size);
    if (dm && api.GetDevmode(handle, API_DEVMODE_DEFAULTS, dm) == size) {
      printf("default DEVMODE: paper %d (%.1f x %.1f mm), orientation %s, copies %d\n", dm->pub.dmPaperSize,
             dm->pub.dmPaperWidth / 10.0, dm->pub.dmPaperLength / 10.0,
             dm->pub.dmOrientation == 2 ? "landscape" : "portrait", dm->pub.dmCopies);
    } else {
      fprintf(stderr, "cannot read the default DEVMODE\n");
      rc = 1;
    }
    free(dm);
  }
  if (PrintInputBins(handle) != 0) rc = 1;

  /* Two copies of A3, read back, and the DEVMODE that results. */
  API_STATUS_VALUE_RECORD copies = {1, 2, {0}};
  API_PAPER_SIZE_RECORD paper = {API_PAPER_SIZE_RECORD_VERSION, 8, 0, 0, 0, {0}};
  unsigned char changed[API_CHANGED_MAP_BYTES];
  printf("set copies 2: %d\n", (int)api.SetStatus(handle, API_STATUS_COPIES, &copies, changed, 0));
  printf("set paper A3: %d\n", (int)api.SetStatus(handle, API_STATUS_PAPER_SIZE, &paper, changed, 0));
  API_STATUS_VALUE_RECORD copiesBack = {0, 0, {0}};
  API_PAPER_SIZE_RECORD paperBack;
  memset(&paperBack, 0, sizeof paperBack);
  if (api.GetStatus(handle, API_STATUS_COPIES, &copiesBack, 1) == (int32_t)sizeof copiesBack &&
      api.GetStatus(handle, API_STATUS_PAPER_SIZE, &paperBack, API_PAPER_SIZE_RECORD_VERSION) == (int32_t)sizeof paperBack) {
    printf("read back: copies %u, paper %u\n", (unsigned)copiesBack.value, (unsigned)paperBack.code);
  } else {
    fprintf(stderr, "cannot read the status items back (last error %d)\n", (int)api.GetLastError(handle));
    rc = 1;
  }
  API_DRIVER_DEVMODEW* now = (API_DRIVER_DEVMODEW*)calloc(1, sizeof(API_DRIVER_DEVMODEW));
  if (now && api.GetDevmode(handle, API_DEVMODE_REFRESH, now) == (int32_t)sizeof *now) {
    printf("resulting DEVMODE: paper %d (%.1f x %.1f mm), copies %d\n", now->pub.dmPaperSize,
           now->pub.dmPaperWidth / 10.0, now->pub.dmPaperLength / 10.0, now->pub.dmCopies);
  } else {
    fprintf(stderr, "cannot read the resulting DEVMODE\n");
    rc = 1;
  }
  free(now);
  printf("last error: %d\n", (int)api.GetLastError(handle));
  api.Disable(handle);
  printf("connection closed\n");
  return rc;
}

/* Prints a text of SET lines one a line, without their CR LF. */
static void PrintLines(const char* text) {
  while (*text) {
    const char* end = strstr(text, "\r\n");
    int n = end ? (int)(end - text) : (int)strlen(text);
    printf("  %.*s\n", n, text);
    text += n + (end ? 2 : 0);
  }
}

static int RunExclusion(void* lib, const char* printer) {
  if (!Bind(lib, "ExcGetExclusive", &exc.GetExclusive) || !Bind(lib, "ExcFreeExclusive", &exc.FreeExclusive) ||
      !Bind(lib, "ExcSetCommandBase", &exc.SetCommandBase) || !Bind(lib, "ExcUpdateCommand", &exc.UpdateCommand) ||
      !Bind(lib, "ExcGetCommandChange", &exc.GetCommandChange) ||
      !Bind(lib, "ExcGetCommandValue", &exc.GetCommandValue))
    return 1;
  static const char base[] =
      "@PJL SET APLPAGESIZE = A0 \r\n"
      "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
      "@PJL SET PAPER = A0 \r\n"
      "@PJL SET TRAY = ROLL1 \r\n"
      "@PJL SET COPIES = 2 \r\n";
  EXC_HANDLE h = exc.GetExclusive(printer);
  if (!h) {
    fprintf(stderr, "cannot take an exclusion handle on '%s'\n", printer);
    return 1;
  }
  printf("exclusion handle taken\n");
  int rc = 0;
  int32_t changeSize = 0;
  int32_t r = exc.SetCommandBase(h, base, &changeSize);
  printf("command base: %d\n", (int)r);
  if (r < 0) rc = 1;
  r = exc.UpdateCommand(h, "@PJL SET TRAY = TRAY2 \r\n", &changeSize);
  printf("update TRAY = TRAY2: %d\n", (int)r);
  if (r == 1 && changeSize > 0) {
    char* list = (char*)calloc(1, (size_t)changeSize);
    int32_t needed = 0;
    if (list && exc.GetCommandChange(h, changeSize, list, &needed) == 0) {
      printf("change list:\n");
      PrintLines(list);
    } else {
      rc = 1;
    }
    free(list);
  } else if (r < 0) {
    rc = 1;
  }
  int32_t needed = 0;
  if (exc.GetCommandValue(h, "PAPER", 1, 0, NULL, &needed) == 1 && needed > 0) {
    char* values = (char*)calloc(1, (size_t)needed);
    if (values && exc.GetCommandValue(h, "PAPER", 1, needed, values, &needed) == 0) {
      printf("PAPER values available now:");
      for (const char* v = values; *v; v += strlen(v) + 1) printf(" %s", v);
      printf("\n");
    } else {
      rc = 1;
    }
    free(values);
  } else {
    printf("PAPER values available now: none\n");
  }
  exc.FreeExclusive(h);
  printf("exclusion handle freed\n");
  return rc;
}
