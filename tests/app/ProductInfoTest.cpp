#include "app/ProductInfo.h"
#include "app/BuildConfig.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(ProductInfo, TheThirtyTwoBitDescription) {
    std::shared_ptr<IProductInfo>& info = ProductInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(&ProductInfo(), &info); // the same process-wide pointer
    const IProductInfo* first = info.get();
    EXPECT_EQ(ProductInfo().get(), first);

    const std::string host = build::kDownloadHost;
    EXPECT_STREQ(info->GetProductGuid(), "{5E2C7A10-4B8D-4F61-A3C9-7D0E21B4F6A8}");
    EXPECT_STREQ(info->GetRegistryName(), "KeltoClipwaveConverter_x86");
    EXPECT_EQ(info->GetConfigUrl(),
              "http://" + host + "/setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg");
    EXPECT_EQ(info->GetVersionUrl(),
              "http://" + host + "/setup/converter_Pro_kelto/version_kelto_clipwave_converter_pro");
    EXPECT_EQ(info->Is64Bit(), 0);
    EXPECT_STREQ(info->GetProductName(), "Kelto Clipwave Converter Pro");
    EXPECT_STREQ(info->GetRootName(), "");
    EXPECT_STREQ(info->GetDisplayName(), "Kelto Clipwave Converter Pro");
    EXPECT_STREQ(info->GetVersion(), "1.0.0.0");
    EXPECT_STREQ(info->GetPublisher(), "Marrowen Inc.");
    EXPECT_STREQ(info->GetSubtitle(), L"");
    EXPECT_EQ(info->GetLogoBitmapId(), 138);
    EXPECT_EQ(info->GetFinishBitmapId(), 139);
}

TEST(ProductInfo, FactoryReplacesWhatThePointerHeld) {
    std::shared_ptr<IProductInfo> info;
    EXPECT_EQ(ProductInfoFactory(info), 0);
    ASSERT_TRUE(info);
    const std::weak_ptr<IProductInfo> old = info;
    EXPECT_EQ(ProductInfoFactory(info), 0);
    EXPECT_TRUE(old.expired());
    EXPECT_STREQ(info->GetRegistryName(), "KeltoClipwaveConverter_x86");
}

} // namespace
