#include "platform/Descriptor.h"

#include <unistd.h>

namespace platform {

void Descriptor::Reset(int descriptor) {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
    m_descriptor = descriptor;
}

bool Descriptor::Close() {
    if (m_descriptor < 0) {
        return true;
    }
    const int result = ::close(Release());
    return result == 0;
}

} // namespace platform
