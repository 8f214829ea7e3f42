// Where each picture of the libraries goes: the layout rows, in the libraries' order.
#include <array>

#include "sheets/dlg_pictures.h"

namespace {

struct IdRun {
  WORD first, last;
};
// The ids with a row, run by run, in table order.
constexpr IdRun kRuns[] = {
    {6001, 6006}, {6009, 6060}, {6063, 6073}, {6082, 6159}, {6162, 6181}, {6183, 6209}, {6211, 6224},
    {6245, 6250}, {6255, 6275}, {6280, 6295}, {6300, 6315}, {6320, 6400}, {7955, 7972}, {7983, 7999},
    {8101, 8169}, {8184, 8212}, {6401, 6411}, {6414, 6454}, {6495, 6503}, {6570, 6574}, {6581, 6582},
    {6801, 6811}, {6821, 6826}, {6831, 6836}, {6901, 6985}, {6990, 6992}, {7001, 7008}, {7026, 7029},
    {7032, 7084}, {7200, 7205}, {7223, 7225}, {7228, 7237}, {7265, 7265}, {7323, 7337}, {7351, 7382},
    {7413, 7438}, {7445, 7453}, {7465, 7477}, {7479, 7494}, {7502, 7513}, {7555, 7556}, {7576, 7594},
    {7668, 7668}, {7689, 7698}, {7703, 7720}, {7738, 7741}, {7761, 7774}, {7781, 7781}, {7785, 7785},
    {7789, 7789}, {7793, 7844}, {7851, 7858}, {7888, 7891}, {8213, 8214}, {8220, 8289}, {8297, 8299},
    {8423, 8423}, {8527, 8534}, {8917, 8917},
};

constexpr bool In(WORD id, WORD lo, WORD hi) { return id >= lo && id <= hi; }

constexpr DWORD FlagsOf(WORD id) {
  constexpr IdRun centred[] = {{6001, 6006}, {6009, 6060}, {6063, 6073}, {6082, 6129}, {6170, 6173},
                               {6909, 6930}, {6967, 6968}, {6977, 6977}, {7414, 7415}, {7453, 7453},
                               {7689, 7694}, {7712, 7712}};
  for (const IdRun& r : centred)
    if (In(id, r.first, r.last)) return DLG_PIC_X_CENTRE | DLG_PIC_Y_CENTRE;
  if (In(id, 6205, 6208)) return DLG_PIC_FILL;
  if (id == 7413) return DLG_PIC_X_CENTRE;
  return 0;
}

// Offsets and hot-spot sizes where the libraries place a picture at a fixed point; the sizes of the
// pictures the model's libraries hold elsewhere.
constexpr PICTURE_LAYOUT_ROW RowOf(WORD id) {
  PICTURE_LAYOUT_ROW r{id, 0, 0, 0, FlagsOf(id), 0, 0, 0, 0, 0};
  auto place = [&r](int x, int y, int w, int h) {
    r.x = int16_t(x);
    r.y = int16_t(y);
    r.width = int16_t(w);
    r.height = int16_t(h);
  };
  constexpr int kTickY[] = {7, 89, 17, 11, 4, 0};
  constexpr int kTrayY[] = {71, 83, 97, 0, 0, 55};
  if (In(id, 6801, 6806)) place(id == 6801 ? 100 : 99, kTickY[id - 6801], 13, 13);
  else if (In(id, 6821, 6823) || id == 6826) place(130, kTrayY[id - 6821], 15, 15);
  else if (In(id, 6831, 6833) || id == 6836) place(64, kTrayY[id - 6831], 15, 16);
  else if (id == 7576) place(94, 7, 15, 13);
  else if (In(id, 8531, 8532)) place(58, 60, 97, 24);
  else if (id == 8533) place(80, 78, 53, 15);
  else if (id == 8534) place(54, 47, 105, 14);
  else if (In(id, 6001, 6046) || In(id, 7414, 7415)) place(0, 0, 108, 91);
  else if (In(id, 7001, 7004)) place(0, 0, 16, 16);
  else if (id == 7005) place(0, 0, 16, 16);
  else if (id == 7006) place(0, 0, 20, 20);
  return r;
}

constexpr int CountRows() {
  int n = 0;
  for (const IdRun& r : kRuns) n += r.last - r.first + 1;
  return n;
}
static_assert(CountRows() == DLG_PICTURE_LAYOUT_ROWS, "one row for each picture of the libraries");

constexpr std::array<PICTURE_LAYOUT_ROW, DLG_PICTURE_LAYOUT_ROWS + 1> Build() {
  std::array<PICTURE_LAYOUT_ROW, DLG_PICTURE_LAYOUT_ROWS + 1> rows{};
  int i = 0;
  for (const IdRun& r : kRuns)
    for (int id = r.first; id <= r.last; ++id) rows[size_t(i++)] = RowOf(WORD(id));
  return rows;
}

constexpr auto kLayout = Build();

static_assert(kLayout[0].id == 6001 && kLayout[DLG_PICTURE_LAYOUT_ROWS - 1].id == 8917);
static_assert(kLayout[6].id == 6009 && kLayout[348].id == 7955 &&
              kLayout[DLG_PICTURE_LAYOUT_ROWS].id == 0, "the runs in their order");

}  // namespace

const PICTURE_LAYOUT_ROW* DlgGetPictureLayout() { return kLayout.data(); }
