# Run by cpack after it made a package (CPACK_POST_BUILD_SCRIPTS), so that the
# bytes depend on what is packed alone:
# - a .tar.gz is written again with its members sorted by name, where cpack
#   adds them in the order the file system lists its staging folder, which
#   differs between machines; times and contents stay, owner and group are
#   root's, as cpack gives them, and only the owner may write;
# - a .deb's three members are put in a new ar archive in deterministic mode
#   (mode 644, owner 0, time 0), where cpack writes the modes its files got
#   from the umask.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(folder "${package}" DIRECTORY)
  set(unpacked "${folder}/normalize.unpacked")
  file(REMOVE_RECURSE "${unpacked}")
  file(MAKE_DIRECTORY "${unpacked}")
  if(package MATCHES "\\.tar\\.gz$")
    execute_process(COMMAND tar -xpzf "${package}" -C "${unpacked}" COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${unpacked}" "${unpacked}/*/*")
    list(SORT entries)
    list(JOIN entries "\n" listing)
    file(WRITE "${unpacked}.list" "${listing}\n")
    execute_process(
      COMMAND tar --format=ustar --owner=root:0 --group=root:0 --mode=a+rX,go-w --no-recursion
              -C "${unpacked}" -T "${unpacked}.list" -cf -
      COMMAND gzip -9n
      OUTPUT_FILE "${package}.normalized" COMMAND_ERROR_IS_FATAL ANY)
  elseif(package MATCHES "\\.deb$")
    execute_process(COMMAND ar x "${package}" WORKING_DIRECTORY "${unpacked}"
                    COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB data RELATIVE "${unpacked}" "${unpacked}/data.tar.*")
    file(GLOB control RELATIVE "${unpacked}" "${unpacked}/control.tar.*")
    execute_process(COMMAND ar rcD "${package}.normalized" debian-binary ${control} ${data}
                    WORKING_DIRECTORY "${unpacked}" COMMAND_ERROR_IS_FATAL ANY)
  else()
    file(REMOVE_RECURSE "${unpacked}")
    continue()
  endif()
  file(RENAME "${package}.normalized" "${package}")
  file(REMOVE_RECURSE "${unpacked}" "${unpacked}.list")
endforeach()
