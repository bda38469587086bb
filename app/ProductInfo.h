// The product description: everything the installer knows about the product before it has
// downloaded anything. Read-only after construction.
#pragma once

#include <memory>
#include <string>

class IProductInfo {
public:
    virtual ~IProductInfo() = default;
    virtual const char* GetProductGuid() const = 0;
    virtual const char* GetRegistryName() const = 0;
    virtual const char* GetConfigUrl() const = 0;
    virtual const char* GetVersionUrl() const = 0;
    virtual unsigned char Is64Bit() const = 0;
    virtual const char* GetProductName() const = 0;
    virtual const char* GetRootName() const = 0;
    virtual const char* GetDisplayName() const = 0;
    virtual const char* GetVersion() const = 0;
    virtual const char* GetPublisher() const = 0;
    virtual const wchar_t* GetSubtitle() const = 0;
    virtual int GetLogoBitmapId() const = 0;
    virtual int GetFinishBitmapId() const = 0;
};

class ProductInfoBase : public IProductInfo {
public:
    ~ProductInfoBase() override = default;
    const char* GetProductGuid() const override { return m_productGuid.c_str(); }
    const char* GetRegistryName() const override { return m_registryName.c_str(); }
    const char* GetConfigUrl() const override { return m_configUrl.c_str(); }
    const char* GetVersionUrl() const override { return m_versionUrl.c_str(); }
    unsigned char Is64Bit() const override { return m_is64Bit; }
    const char* GetProductName() const override { return m_productName.c_str(); }
    const char* GetRootName() const override { return m_rootName.c_str(); }
    const char* GetDisplayName() const override { return m_displayName.c_str(); }
    const char* GetVersion() const override { return m_version.c_str(); }
    const char* GetPublisher() const override { return m_publisher.c_str(); }
    const wchar_t* GetSubtitle() const override { return m_subtitle.c_str(); }
    int GetLogoBitmapId() const override { return m_logoBitmapId; }
    int GetFinishBitmapId() const override { return m_finishBitmapId; }

protected:
    std::string m_productGuid;
    std::string m_registryName;
    std::string m_configUrl;
    std::string m_versionUrl;
    unsigned char m_is64Bit = 0;
    std::string m_productName;
    std::string m_rootName;
    std::string m_displayName;
    std::string m_version;
    std::string m_publisher;
    std::wstring m_subtitle;
    int m_logoBitmapId = 0;
    int m_finishBitmapId = 0;
};

// The description of the 32-bit edition, the one the installer starts with.
class ProductInfoQorX86 : public ProductInfoBase {
public:
    ProductInfoQorX86();
    ~ProductInfoQorX86() override = default;
};

// Fills info with a new ProductInfoQorX86. 0 when it then holds an object, E_POINTER otherwise.
long ProductInfoFactory(std::shared_ptr<IProductInfo>& info);
// The process-wide description, created on the first call (on the main thread, before any other
// thread starts) and kept until process exit.
std::shared_ptr<IProductInfo>& ProductInfo();
