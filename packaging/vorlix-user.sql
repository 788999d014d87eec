-- What wixl cannot write for vorlix-user.wxs, run by scripts/package as
-- machine-service.sql is.

-- The uninstall removes the Programs folder of the user's profile when it
-- is left empty, as it does the folder of Vorlix (ICE64); wixl's
-- RemoveFolder takes no Directory.
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`)
  VALUES ('RemoveUserProgramsFolder', 'Program', 'UserProgramsFolder', 2);
