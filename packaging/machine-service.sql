-- What wixl cannot write for machine-service.wxs. scripts/package runs these
-- statements with msibuild on the package that wixl has built; each ends
-- with a semicolon.

-- Vital (32768) with the normal error control (1): an install that cannot
-- install the service fails and is rolled back. wixl drops the vital bit.
UPDATE `ServiceInstall` SET `ErrorControl` = 32769 WHERE `ServiceInstall` = 'VorlixMachineRules';

-- "#%" makes the value REG_EXPAND_SZ, as the event log expects it; wixl
-- writes Type="expandable" as REG_SZ.
UPDATE `Registry` SET `Value` = '#%[#VorlixServiceExe]' WHERE `Name` = 'EventMessageFile';

-- The service's configuration (Windows Installer 5), applied by
-- MsiConfigureServices between InstallServices and StartServices, at an
-- install and at a repair (Event 1 + 4), so that it holds from the
-- service's first start.
CREATE TABLE `MsiServiceConfig` (`MsiServiceConfig` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL,
  `Event` SHORT NOT NULL, `ConfigType` LONG NOT NULL, `Argument` LONGCHAR, `Component_` CHAR(72) NOT NULL
  PRIMARY KEY `MsiServiceConfig`);
-- SERVICE_CONFIG_SERVICE_SID_INFO (5), SERVICE_SID_TYPE_UNRESTRICTED (1):
-- the token carries the service's own SID (NT SERVICE\VorlixMachineRules),
-- so that a key's permissions can name the service. A restricted SID type
-- would make the token write-restricted: it could then delete only where a
-- key grants the service's SID, which the keys of machine rules do not.
INSERT INTO `MsiServiceConfig` (`MsiServiceConfig`, `Name`, `Event`, `ConfigType`, `Argument`, `Component_`)
  VALUES ('VorlixServiceSid', 'VorlixMachineRules', 5, 5, '1', 'MachineServiceExe');
-- SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO (6): the one privilege the
-- service keeps when it gives up the others itself; the service control
-- manager then starts it without them.
INSERT INTO `MsiServiceConfig` (`MsiServiceConfig`, `Name`, `Event`, `ConfigType`, `Argument`, `Component_`)
  VALUES ('VorlixServicePrivileges', 'VorlixMachineRules', 5, 6, 'SeChangeNotifyPrivilege', 'MachineServiceExe');
-- SERVICE_CONFIG_FAILURE_ACTIONS_FLAG (4): the failure actions below also
-- follow a stop with an error (a non-zero exit code), not only a crash.
INSERT INTO `MsiServiceConfig` (`MsiServiceConfig`, `Name`, `Event`, `ConfigType`, `Argument`, `Component_`)
  VALUES ('VorlixServiceFailureFlag', 'VorlixMachineRules', 5, 4, '1', 'MachineServiceExe');
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`)
  VALUES ('MsiConfigureServices', 'VersionNT >= 600', 5850);

-- The failure actions: restarted 60 s after a failure, three times; the
-- count starts again after a day without one. Microsoft documents the
-- MsiServiceConfigFailureActions table as not working as expected and
-- names sc.exe from a custom action as the way round: an exe run in a
-- folder (34), deferred (1024), as LocalSystem (2048), whenever the
-- service's component is installed or repaired. A failure fails the install.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`)
  VALUES ('VorlixServiceRecovery', 3106, 'INSTALLDIR',
          '"[System64Folder]sc.exe" failure VorlixMachineRules reset= 86400 actions= restart/60000/restart/60000/restart/60000');
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`)
  VALUES ('VorlixServiceRecovery', '$MachineServiceExe = 3', 5825);
