#include "app/ProductInfo.h"

#include "app/BuildConfig.h"
#include "app/Result.h"

#include <new>

ProductInfoQorX86::ProductInfoQorX86() {
    const std::string host = build::kDownloadHost;
    m_productGuid = "{5E2C7A10-4B8D-4F61-A3C9-7D0E21B4F6A8}";
    m_registryName = "KeltoClipwaveConverter_x86";
    m_configUrl = "http://" + host + "/setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg";
    m_versionUrl =
        "http://" + host + "/setup/converter_Pro_kelto/version_kelto_clipwave_converter_pro";
    m_is64Bit = 0;
    m_productName = "Kelto Clipwave Converter Pro";
    m_rootName = "";
    m_displayName = "Kelto Clipwave Converter Pro";
    m_version = "1.0.0.0";
    m_publisher = "Marrowen Inc.";
    m_subtitle = L"";
    m_logoBitmapId = 138;
    m_finishBitmapId = 139;
}

long ProductInfoFactory(std::shared_ptr<IProductInfo>& info) {
    info.reset(new (std::nothrow) ProductInfoQorX86());
    return info ? kSOk : kEPointer;
}

std::shared_ptr<IProductInfo>& ProductInfo() {
    static std::shared_ptr<IProductInfo> instance;
    if (!instance) {
        ProductInfoFactory(instance);
    }
    return instance;
}
