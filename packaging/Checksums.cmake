# Run by CPack after it made the packages: writes SHA256SUMS beside them, so that a download
# can be checked (sha256sum -c SHA256SUMS; certutil -hashfile FILE SHA256 on Windows).
set(sums "")
foreach(file IN LISTS CPACK_PACKAGE_FILES CPACK_LEITZAHL_MORE_PACKAGES)
  file(SHA256 ${file} hash)
  get_filename_component(name ${file} NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
