// One image stream of each kind the viewer converts, encoded with real encoders
// (zlib, our LZW encoder, libtiff's fax encoder, libjpeg-turbo), each with the
// picture it must show. The bundled sample carries them, and the tests check
// that each converts back to its picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SampleImage {
  std::string name;  // resource name, such as "Gray8"
  int width = 0;
  int height = 0;
  // Dictionary entries other than Length. An indexed image names its lookup
  // stream as "LOOKUP", to be replaced by a reference to it (see Entries).
  std::string entries;
  std::string data;    // the encoded stream data
  std::string lookup;  // the lookup stream's data, indexed images only
  // What the picture must look like: red, green, blue per pixel, top row first.
  std::vector<uint8_t> rgb;
  // Largest difference allowed per sample: 0 for lossless codings.
  int tolerance = 0;
  // Resolution entry, 0 when none.
  double x_dpi = 0;
  double y_dpi = 0;

  // `entries` with the lookup reference filled in.
  std::string Entries(int lookup_number) const;
};

std::vector<SampleImage> MakeSampleImages();
