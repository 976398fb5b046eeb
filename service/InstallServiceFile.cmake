# Runs at install time: the bus starts the program through this file, so Exec= has
# to name the binary where it was installed, which is only known now (the prefix
# given to `cmake --install --prefix` may differ from the configured one).
if(IS_ABSOLUTE "${capsulet_bindir}")
  set(capsulet_exec "${capsulet_bindir}/capsulet")
else()
  set(capsulet_exec "${CMAKE_INSTALL_PREFIX}/${capsulet_bindir}/capsulet")
endif()
if(IS_ABSOLUTE "${capsulet_servicedir}")
  set(dest "${capsulet_servicedir}")
else()
  set(dest "${CMAKE_INSTALL_PREFIX}/${capsulet_servicedir}")
endif()
# One staging folder per target, so installs into different prefixes at the same
# time do not overwrite each other's file.
string(MD5 key "$ENV{DESTDIR}${dest}")
set(staged "${capsulet_stage}/${key}/com.morvane.Capsulet.service")
configure_file("${capsulet_template}" "${staged}" @ONLY)
file(INSTALL DESTINATION "${dest}" TYPE FILE FILES "${staged}")
