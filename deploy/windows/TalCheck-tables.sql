-- What the TalCheck MSI needs beyond what wixl writes, run on wixl's output
-- by cmake/MsiPackage.cmake through msibuild, one statement per line.
--
-- The machine environment variable TALCHECK_INSTALLER_HOST from
-- INSTALLERHOST: set at install (=), removed at uninstall (-), of the
-- system (*); its component only when INSTALLERHOST is set.
CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)
INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('InstallerHost', '=-*TALCHECK_INSTALLER_HOST', '[INSTALLERHOST]', 'InstallerHost')
UPDATE `Component` SET `Condition` = 'INSTALLERHOST' WHERE `Component` = 'InstallerHost'
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)
-- FRONTENDFOUND: frontend.exe in INSTALLDIR as given (the launch condition).
CREATE TABLE `DrLocator` (`Signature_` CHAR(72) NOT NULL, `Parent` CHAR(72), `Path` CHAR(255), `Depth` SHORT PRIMARY KEY `Signature_`, `Parent`, `Path`)
INSERT INTO `Signature` (`Signature`, `FileName`) VALUES ('FrontendExe', 'frontend.exe')
INSERT INTO `DrLocator` (`Signature_`, `Path`, `Depth`) VALUES ('FrontendExe', '[INSTALLDIR]', 0)
INSERT INTO `AppSearch` (`Property`, `Signature_`) VALUES ('FRONTENDFOUND', 'FrontendExe')
-- The event source's key goes as a whole on uninstall (the name "-").
INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) VALUES ('EventSourceKey', 2, 'SYSTEM\CurrentControlSet\Services\EventLog\Application\TalCheck', '-', 'EventSource')
-- wixl writes no Execute="rollback": the two rollback actions become
-- deferred (0x400), rollback (0x100), as SYSTEM (0x800), exit code ignored
-- (0x40) runs of the program file (18).
UPDATE `CustomAction` SET `Type` = 3410 WHERE `Action` = 'RegisterTaskRollback' OR `Action` = 'RemoveTaskRollback'
-- The settings pass to the elevated part of the install also when a user
-- without administrator rights starts it (Group Policy, UAC).
UPDATE `Property` SET `Value` = 'OLDERFOUND;NEWERFOUND;INSTALLDIR;INSTALLERHOST' WHERE `Property` = 'SecureCustomProperties'
