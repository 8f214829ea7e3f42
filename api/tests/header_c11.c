/* The public header compiles alone as C11. */
#include "kvdrvexc.h"

int kvexc_header_c11_probe(void);
int kvexc_header_c11_probe(void) {
  API_INIT_RECORD init = {sizeof(API_INIT_RECORD), API_VERSION_MAX};
  API_DRIVER_DEVMODEW dm;
  dm.pub.dmCopies = 1;
  return init.version + dm.pub.dmCopies + (int)sizeof(API_DRIVER_DEVMODEA);
}
