// PNG files through the Windows imaging component (WIC).
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "base/utf8_text.h"
#include "platform/ws/png_file.h"
#include "platform/ws/win32_com_ref.h"

namespace quillmar::ws {
namespace {

// COM for the calling thread, for as long as the write takes; a thread that
// already runs COM in another mode keeps it.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

bool Fail(std::string* error, const char* what, HRESULT hr) {
  if (error != nullptr) {
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    *error = std::string(what) + " failed (" + code + ")";
  }
  return false;
}

}  // namespace

bool WritePremultipliedPng(const std::string& path, Size size, const uint32_t* pixels, std::string* error) {
  if (size.width <= 0 || size.height <= 0 || pixels == nullptr) {
    if (error != nullptr) *error = "empty picture";
    return false;
  }
  // PNG keeps straight alpha: undo the premultiplication.
  std::vector<uint32_t> straight(static_cast<size_t>(size.width) * size.height);
  for (size_t i = 0; i < straight.size(); ++i) {
    const uint32_t px = pixels[i];
    const uint32_t a = px >> 24;
    if (a == 0 || a == 255) {
      straight[i] = a == 0 ? 0 : px;
      continue;
    }
    uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = (px >> shift) & 0xFF;
      out |= std::min<uint32_t>(255, (c * 255 + a / 2) / a) << shift;
    }
    straight[i] = out;
  }
  ComScope com;
  if (!com.Usable()) return Fail(error, "CoInitializeEx", E_FAIL);
  ComRef<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Out()));
  if (FAILED(hr)) return Fail(error, "creating the imaging factory", hr);
  ComRef<IWICStream> stream;
  if (FAILED(hr = factory->CreateStream(stream.Out()))) return Fail(error, "CreateStream", hr);
  const std::u16string wide = DecodeUtf8(path);
  if (FAILED(hr = stream->InitializeFromFilename(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_WRITE))) {
    return Fail(error, "opening the file", hr);
  }
  ComRef<IWICBitmapEncoder> encoder;
  if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out()))) {
    return Fail(error, "CreateEncoder", hr);
  }
  if (FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache))) return Fail(error, "Initialize", hr);
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (FAILED(hr = encoder->CreateNewFrame(frame.Out(), options.Out()))) return Fail(error, "CreateNewFrame", hr);
  if (FAILED(hr = frame->Initialize(options.get()))) return Fail(error, "frame Initialize", hr);
  if (FAILED(hr = frame->SetSize(static_cast<UINT>(size.width), static_cast<UINT>(size.height)))) {
    return Fail(error, "SetSize", hr);
  }
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(hr = frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGRA) {
    return Fail(error, "SetPixelFormat", FAILED(hr) ? hr : E_FAIL);
  }
  const UINT stride = static_cast<UINT>(size.width) * 4;
  if (FAILED(hr = frame->WritePixels(static_cast<UINT>(size.height), stride, stride * static_cast<UINT>(size.height),
                                     reinterpret_cast<BYTE*>(straight.data())))) {
    return Fail(error, "WritePixels", hr);
  }
  if (FAILED(hr = frame->Commit())) return Fail(error, "frame Commit", hr);
  if (FAILED(hr = encoder->Commit())) return Fail(error, "Commit", hr);
  return true;
}

}  // namespace quillmar::ws
