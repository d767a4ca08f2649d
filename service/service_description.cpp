#include "service/service_description.h"

#include <cstring>

LSTATUS WriteServiceDescription(const char* serviceName, const char* description) {
    HKEY servicesKey = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0,
                                   KEY_WRITE, &servicesKey);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    HKEY serviceKey = nullptr;
    status = RegOpenKeyExA(servicesKey, serviceName, 0, KEY_WRITE, &serviceKey);
    if (status != ERROR_SUCCESS) {
        RegCloseKey(servicesKey);
        return status;
    }
    status = RegSetValueExA(serviceKey, "Description", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(description),
                            static_cast<DWORD>(std::strlen(description) + 1));
    RegCloseKey(serviceKey);
    RegCloseKey(servicesKey);
    return status;
}
