#include "request_words.h"

namespace kel::server {

void BeginReply(TForm1& form) {
    form.Memo1.Clear();
    form.Memo1.Add(form.CodeText);
}

void EndReply(TForm1& form, tolscsi::Status status) {
    int count = form.Memo1.Count() + 1;
    if (status != tolscsi::status::kGood) {
        form.Memo1.Add(static_cast<std::int64_t>(status));
    }
    form.Memo1.Add(count);
}

int DeviceSlot(std::int32_t device) {
    return device >= 0 && device < kMaxDevices ? device : -1;
}

}  // namespace kel::server
