/* A sample client of the settings-and-constraints library.
 *
 * Usage: kvexc_sample LIBRARY PRINTER
 *
 * Loads the library (the file the printer's driver folder holds), binds its exports by name, prints the
 * highest driver-API version the printer's model allows, opens a connection, agrees version 16, prints
 * the default DEVMODE's paper, orientation and copies and the connection's last error, closes the
 * connection and unloads the library. Exit code 0 when every step worked. The machine the library works
 * on is the one KV_MACHINE_ROOT names (./machine by default). */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kvdrvexc.h"

/* The exports this client calls, bound by name. */
static struct {
  int32_t (*CheckAPIVer)(const char*);
  API_HANDLE (*Enable)(const char*);
  int32_t (*Init)(API_HANDLE, const API_INIT_RECORD*);
  int32_t (*Disable)(API_HANDLE);
  int32_t (*GetLastError)(API_HANDLE);
  int32_t (*GetDevmode)(API_HANDLE, int32_t, void*);
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
      Bind(lib, "ZARNDrvSetStatus", &api.SetStatus) && Bind(lib, "ZARNDrvGetStatus", &api.GetStatus))
    rc = Run(argv[2]);
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
