/* A sample client of the settings-and-constraints library.
 *
 * Usage: kvexc_sample PRINTER
 *
 * Prints the highest driver-API version the printer's model allows, opens a connection, agrees version
 * 16, prints the default DEVMODE's paper, orientation and copies and the connection's last error, and
 * closes the connection. Exit code 0 when every step worked. */
#include <stdio.h>
#include <stdlib.h>

#include "kvdrvexc.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s PRINTER\n", argv[0]);
    return 2;
  }
  const char* printer = argv[1];

  int32_t highest = ZARNDrvCheckAPIVer(printer);
  printf("highest API version: %d\n", (int)highest);
  if (highest <= 0) {
    fprintf(stderr, "no printer named '%s'\n", printer);
    return 1;
  }

  API_HANDLE handle = ZARNDrvEnable(printer);
  if (handle == 0) {
    fprintf(stderr, "cannot open a connection on '%s'\n", printer);
    return 1;
  }
  printf("connection opened\n");

  API_INIT_RECORD init = {sizeof(API_INIT_RECORD), 16};
  printf("agree version 16: %s\n", ZARNDrvInit(handle, &init) == 1 ? "done" : "refused");

  int rc = 0;
  int32_t size = ZARNDrvGetDevmode(handle, API_DEVMODE_DEFAULTS, NULL);
  if (size < (int32_t)sizeof(API_DRIVER_DEVMODEW)) {
    fprintf(stderr, "cannot read the DEVMODE size (%d)\n", (int)size);
    rc = 1;
  } else {
    API_DRIVER_DEVMODEW* dm = (API_DRIVER_DEVMODEW*)calloc(1, (size_t)size);
    if (dm && ZARNDrvGetDevmode(handle, API_DEVMODE_DEFAULTS, dm) == size) {
      printf("default DEVMODE: paper %d (%d x %d mm), orientation %s, copies %d\n", dm->pub.dmPaperSize,
             dm->pub.dmPaperWidth / 10, dm->pub.dmPaperLength / 10,
             dm->pub.dmOrientation == 2 ? "landscape" : "portrait", dm->pub.dmCopies);
    } else {
      fprintf(stderr, "cannot read the default DEVMODE\n");
      rc = 1;
    }
    free(dm);
  }
  printf("last error: %d\n", (int)ZARNDrvGetLastError(handle));
  ZARNDrvDisable(handle);
  printf("connection closed\n");
  return rc;
}
